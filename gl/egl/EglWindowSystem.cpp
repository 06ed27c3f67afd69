// The window system on EGL, headless: a device of the device platform, the task's GPU
// where it can be told, then Mesa's surfaceless platform. Contexts are made current
// without a surface.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "AESDK_OpenGL_Fault.h"
#include "EglDeviceChoice.h"
#include "WindowSystem.h"

namespace Quillon::Vantrel::WindowSystem {
namespace {

bool hasExtension(const char* list, const char* name) {
  if (!list) return false;
  const std::size_t length = std::strlen(name);
  for (const char* at = list; (at = std::strstr(at, name)) != nullptr; at += length) {
    const bool startsWord = at == list || at[-1] == ' ';
    const bool endsWord = at[length] == ' ' || at[length] == '\0';
    if (startsWord && endsWord) return true;
  }
  return false;
}

// A display usable for desktop OpenGL without surfaces, initialised; or none.
EGLDisplay initialised(EGLDisplay display) {
  if (display == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
  EGLint major = 0, minor = 0;
  if (!eglInitialize(display, &major, &minor)) return EGL_NO_DISPLAY;
  const char* apis = eglQueryString(display, EGL_CLIENT_APIS);
  const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
  if (!apis || !std::strstr(apis, "OpenGL") || !hasExtension(extensions, "EGL_KHR_surfaceless_context")) {
    return EGL_NO_DISPLAY;  // left initialised: another user of the display may need it
  }
  return display;
}

template <typename Function>
Function procedure(const char* name) {
  return reinterpret_cast<Function>(eglGetProcAddress(name));
}

EglDeviceDescription describe(EGLDeviceEXT device) {
  auto queryString = procedure<PFNEGLQUERYDEVICESTRINGEXTPROC>("eglQueryDeviceStringEXT");
  auto queryAttribute = procedure<PFNEGLQUERYDEVICEATTRIBEXTPROC>("eglQueryDeviceAttribEXT");
  EglDeviceDescription description;
  const char* extensions = queryString ? queryString(device, EGL_EXTENSIONS) : nullptr;
  description.software = hasExtension(extensions, "EGL_MESA_device_software");
  if (hasExtension(extensions, "EGL_EXT_device_drm")) {
    if (const char* file = queryString(device, EGL_DRM_DEVICE_FILE_EXT)) description.drmFile = file;
  }
  EGLAttrib cuda = 0;
  if (hasExtension(extensions, "EGL_NV_device_cuda") && queryAttribute &&
      queryAttribute(device, EGL_CUDA_DEVICE_NV, &cuda)) {
    description.cudaDevice = static_cast<int>(cuda);
  }
  return description;
}

// The display the effect renders on, which device it is and why; or, where a setting
// names no device, the reason and no display.
struct FoundDisplay {
  EGLDisplay display = EGL_NO_DISPLAY;
  std::string device;   // for the information block
  std::string refusal;  // why there is no display though devices were listed
};

// With device enumeration, the chosen device (see EglDeviceChoice.cpp); Mesa's
// surfaceless platform where there is none, or where the device chosen by default
// does not initialise.
FoundDisplay findDisplay() {
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  auto getPlatformDisplay = procedure<PFNEGLGETPLATFORMDISPLAYEXTPROC>("eglGetPlatformDisplayEXT");
  if (!getPlatformDisplay) return {};

  auto queryDevices = procedure<PFNEGLQUERYDEVICESEXTPROC>("eglQueryDevicesEXT");
  EGLDeviceEXT devices[16];
  EGLint count = 0;
  if (hasExtension(clientExtensions, "EGL_EXT_platform_device") && queryDevices &&
      queryDevices(16, devices, &count) && count > 0) {
    std::vector<EglDeviceDescription> descriptions;
    for (EGLint i = 0; i < count; ++i) descriptions.push_back(describe(devices[i]));
    const EglDeviceEnvironment environment = readEglDeviceEnvironment();
    const EglDeviceChoice choice = chooseEglDevice(descriptions, environment);
    if (!choice.index) return {EGL_NO_DISPLAY, "", choice.reason};
    const std::string device = std::to_string(*choice.index) + " (" + choice.reason + ")";
    EGLDisplay display = initialised(getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[*choice.index], nullptr));
    if (display != EGL_NO_DISPLAY) return {display, device, ""};
    if (!environment.override.empty()) return {EGL_NO_DISPLAY, "", "EGL device " + device + " does not initialise"};
  }
  if (hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
    return {initialised(getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr)),
            "none (Mesa's surfaceless platform)", ""};
  }
  return {};
}

// Every context of the effect lives on one display, found once and never terminated: the
// host may hold contexts of its own on the same display.
const FoundDisplay& effectDisplay() {
  static std::once_flag once;
  static FoundDisplay found;
  std::call_once(once, [] { found = findDisplay(); });
  return found;
}

EGLConfig chooseConfig(EGLDisplay display) {
  if (hasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_no_config_context")) {
    return EGL_NO_CONFIG_KHR;
  }
  const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1) throw AESDK_OpenGL_Fault();
  return config;
}

}  // namespace

NativeContext createContext(const void* /*owner*/, const NativeContext* shareWith) {
  NativeContext context;
  if (!shareWith && !effectDisplay().refusal.empty()) throw std::runtime_error(effectDisplay().refusal);
  context.display = shareWith ? shareWith->display : effectDisplay().display;
  if (context.display == EGL_NO_DISPLAY || !eglBindAPI(EGL_OPENGL_API)) throw AESDK_OpenGL_Fault();

  const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3,
                               EGL_CONTEXT_MINOR_VERSION, 3,
                               EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                               EGL_NONE};
  context.renderContext = eglCreateContext(context.display, chooseConfig(context.display),
                                           shareWith ? shareWith->renderContext : EGL_NO_CONTEXT, attributes);
  if (context.renderContext == EGL_NO_CONTEXT) throw AESDK_OpenGL_Fault();
  if (!makeCurrent(context)) {
    eglDestroyContext(context.display, context.renderContext);
    throw AESDK_OpenGL_Fault();
  }
  return context;
}

std::string renderingDevice() {
  const FoundDisplay& found = effectDisplay();
  return found.display == EGL_NO_DISPLAY ? "" : "EGL Device:      " + found.device;
}

void destroyContext(NativeContext& context) {
  if (context.renderContext == EGL_NO_CONTEXT) return;
  eglMakeCurrent(context.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroyContext(context.display, context.renderContext);
  context.renderContext = EGL_NO_CONTEXT;
}

bool makeCurrent(const NativeContext& context) {
  return eglBindAPI(EGL_OPENGL_API) &&
         eglMakeCurrent(context.display, EGL_NO_SURFACE, EGL_NO_SURFACE, context.renderContext);
}

glbinding::ContextHandle handleOf(const NativeContext& context) {
  return reinterpret_cast<glbinding::ContextHandle>(context.renderContext);
}

glbinding::ContextHandle currentHandle() {
  return reinterpret_cast<glbinding::ContextHandle>(eglGetCurrentContext());
}

CurrentBinding currentBinding() {
  return {eglQueryAPI(), eglGetCurrentDisplay(), eglGetCurrentSurface(EGL_DRAW), eglGetCurrentSurface(EGL_READ),
          eglGetCurrentContext()};
}

void restoreBinding(const CurrentBinding& binding) {
  // A thread has one current context per client API: ours is desktop OpenGL.
  if (binding.api != EGL_OPENGL_API && eglBindAPI(EGL_OPENGL_API) && eglGetCurrentContext() != EGL_NO_CONTEXT) {
    eglMakeCurrent(eglGetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
  eglBindAPI(binding.api);
  if (binding.context != EGL_NO_CONTEXT) {
    eglMakeCurrent(binding.display, binding.drawSurface, binding.readSurface, binding.context);
  } else if (EGLDisplay current = eglGetCurrentDisplay(); current != EGL_NO_DISPLAY) {
    eglMakeCurrent(current, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
}

}  // namespace Quillon::Vantrel::WindowSystem
