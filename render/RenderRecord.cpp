#include "RenderRecord.h"

#include <glbinding/gl33core/gl.h>

using namespace gl33core;

namespace Quillon::Vantrel {
namespace {

// Deleted by global setdown alone (see GlobalContext.h).
RenderRecord* record = nullptr;

}  // namespace

RenderRecord& renderRecord() {
  if (!record) record = new RenderRecord;
  return *record;
}

void releaseRenderRecord() {
  if (!record) return;
  record->shapeProgram.reset();
  if (record->vertexBuffer != 0) glDeleteBuffers(1, &record->vertexBuffer);
  delete record;
  record = nullptr;
}

}  // namespace Quillon::Vantrel
