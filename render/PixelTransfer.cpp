#include "PixelTransfer.h"

#include <glbinding/gl33core/gl.h>

#include <algorithm>
#include <cstring>

#include "OpenglRenderTarget.h"
#include "SuiteScope.h"

using namespace gl33core;

namespace Quillon::Vantrel {

void uploadLayer(const PF_LayerDef& layer, const PF_InData& in_data, GLuint texture, PixelTransfer& transfer) {
  glBindTexture(GL_TEXTURE_2D, texture);
  transfer = PixelTransfer{};
  // Padded host rows are read in place.
  glPixelStorei(GL_UNPACK_ROW_LENGTH, layer.rowbytes / A_long(transfer.bytesPerPixel));
  PF_Pixel8* pixels = nullptr;
  in_data.utils->get_pixel_data8(const_cast<PF_LayerDef*>(&layer), nullptr, &pixels);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, layer.width, layer.height, GL_RGBA, transfer.pixelType, pixels);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glBindTexture(GL_TEXTURE_2D, 0);
}

void convertToOutput(OpenglRenderTarget& target, float multiplier) {
  const GLuint texture = target.resolveLayer();
  if (texture == 0) return;
  target.bindOutput();
  glDisable(GL_BLEND);
  glDisable(GL_MULTISAMPLE);
  glClear(GL_COLOR_BUFFER_BIT);
  target.conversionPass().draw(texture, multiplier, target.contextObjects().conversionVertexArray);
}

namespace {

// A locked host memory handle, given back on every way out.
class LockedHandle {
 public:
  LockedHandle(const PF_HandleSuite2* suite, A_u_longlong size) : suite_(suite), handle_(suite->host_new_handle(size)) {
    if (!handle_) throw A_Err(PF_Err_OUT_OF_MEMORY);
    bytes_ = static_cast<unsigned char*>(suite_->host_lock_handle(handle_));
  }
  ~LockedHandle() {
    suite_->host_unlock_handle(handle_);
    suite_->host_dispose_handle(handle_);
  }
  LockedHandle(const LockedHandle&) = delete;
  LockedHandle& operator=(const LockedHandle&) = delete;

  unsigned char* bytes() const { return bytes_; }

 private:
  const PF_HandleSuite2* suite_;
  PF_Handle handle_;
  unsigned char* bytes_ = nullptr;
};

}  // namespace

void readbackToWorld(A_long width, A_long height, PF_LayerDef& output, const PF_InData& in_data,
                     const PixelTransfer& transfer) {
  AcquiredSuite<PF_HandleSuite2> handles(in_data);
  const std::uint64_t rowSize = std::uint64_t(width) * transfer.bytesPerPixel;
  LockedHandle pixels(handles.get(), A_u_longlong(rowSize * std::uint64_t(height)));
  if (!pixels.bytes()) throw A_Err(PF_Err_OUT_OF_MEMORY);

  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glReadPixels(0, 0, width, height, GL_RGBA, transfer.pixelType, pixels.bytes());

  const A_long rows = std::min(height, output.height);
  const std::size_t copied = std::size_t(std::min(width, output.width)) * std::size_t(transfer.bytesPerPixel);
  for (A_long y = 0; y < rows; ++y) {
    PF_Pixel8* first = nullptr;
    in_data.utils->get_pixel_data8(&output, nullptr, &first);
    std::memcpy(reinterpret_cast<unsigned char*>(first) + std::size_t(y) * std::size_t(output.rowbytes),
                pixels.bytes() + std::size_t(y) * rowSize, copied);
  }
}

}  // namespace Quillon::Vantrel
