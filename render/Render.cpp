// The render command: the calling thread's render context, the target sized to the
// layer, the upload, the snapshot, the shape pass, the conversion and the read-back.
#include <glbinding/Binding.h>
#include <glbinding/gl33core/gl.h>

#include <stdexcept>
#include <string>

#include "Commands.h"
#include "ContextRestoreGuard.h"
#include "OpenglRenderTarget.h"
#include "ParameterSnapshot.h"
#include "ParamIndex.h"
#include "PixelTransfer.h"
#include "RenderRecord.h"
#include "ShapePass.h"
#include "StageTiming.h"
#include "ThreadContexts.h"

using namespace gl33core;

namespace Quillon::Vantrel {
namespace {

void checkRowBytes(const PF_LayerDef& layer) {
  if (layer.rowbytes % 4 != 0 || layer.rowbytes < layer.width * 4) {
    throw std::runtime_error("the layer's row bytes (" + std::to_string(layer.rowbytes) + ") do not hold its pixels");
  }
}

}  // namespace

PF_Err Render(const PF_InData* in_data, PF_ParamList params, PF_LayerDef* output) {
  ContextRestoreGuard guard;
  std::lock_guard<std::recursive_mutex> lock(renderMutex);

  PixelTransfer transfer;
  const AEOpenGLContext& context = acquireThreadContext();
  context.makeCurrent();
  if (!context.isCurrent()) throw std::runtime_error("the effect's OpenGL context cannot be made current on this thread");

  const PF_LayerDef& layer = params[kInputLayer]->u.ld;
  if (layer.width <= 0 || layer.height <= 0) return PF_Err_NONE;  // nothing to draw or write
  checkRowBytes(layer);

  markStage(FrameStage::Start);
  OpenglRenderTarget& target = OpenglRenderTarget::instance();
  target.resize(layer.width, layer.height, context);
  glDisable(GL_BLEND);
  glEnable(GL_MULTISAMPLE);
  target.beginLayer();
  glViewport(0, 0, target.width(), target.height());

  uploadLayer(layer, *in_data, target.inputTexture(), transfer);
  markStage(FrameStage::Upload);
  RenderRecord& record = renderRecord();
  takeParameterSnapshot(record, *in_data);
  const double viewPort[2] = {double(layer.width), double(layer.height)};
  drawShapes(record, target.inputTexture(), transfer.multiplier, viewPort, target.contextObjects().shapeVertexArray);
  markStage(FrameStage::Draw);

  convertToOutput(target, transfer.multiplier);
  markStage(FrameStage::Convert);
  readbackToWorld(layer.width, layer.height, *output, *in_data, transfer);
  markStage(FrameStage::Readback);
  return PF_Err_NONE;
}

}  // namespace Quillon::Vantrel
