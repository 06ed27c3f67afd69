#include "RenderRecord.h"

#include <glbinding/gl33core/gl.h>

using namespace gl33core;

namespace Quillon::Vantrel {
namespace {

std::unique_ptr<RenderRecord> record = std::make_unique<RenderRecord>();

}  // namespace

RenderRecord& renderRecord() {
  if (!record) record = std::make_unique<RenderRecord>();
  return *record;
}

void releaseRenderRecord() {
  if (!record) return;
  record->shapeProgram.reset();
  if (record->vertexBuffer != 0) glDeleteBuffers(1, &record->vertexBuffer);
  record.reset();
}

}  // namespace Quillon::Vantrel
