#include "AEOpenGLContext.h"

#include <glbinding/Binding.h>
#include <glbinding/ContextInfo.h>
#include <glbinding/Meta.h>
#include <glbinding/Version.h>

#include <ostream>

#include "Diagnostics.h"

namespace Quillon::Vantrel {
namespace {

void printContextInfo() {
  std::ostream& out = diagnosticStream();
  out << std::endl;
  out << "OpenGL Version:  " << glbinding::ContextInfo::version() << std::endl;
  out << "OpenGL Vendor:   " << glbinding::ContextInfo::vendor() << std::endl;
  out << "OpenGL Renderer: " << glbinding::ContextInfo::renderer() << std::endl;
  out << "OpenGL Revision: " << glbinding::Meta::glRevision() << " (gl.xml)" << std::endl;
  // Where the window system chooses among devices, which one and why.
  if (const std::string device = WindowSystem::renderingDevice(); !device.empty()) out << device << std::endl;
  out << std::endl;
}

}  // namespace

AEOpenGLContext::AEOpenGLContext(const AEOpenGLContext* shareWith)
    : native(WindowSystem::createContext(this, shareWith ? &shareWith->native : nullptr)) {
  try {
    // Entry points are resolved lazily, on each command's first call in this context.
    // glbinding skips a handle it has seen, as when a new context reuses the address of
    // a deleted one, so the switch to it is made explicitly.
    glbinding::Binding::initialize(WindowSystem::handleOf(native), true, false);
    glbinding::Binding::useContext(WindowSystem::handleOf(native));
    printContextInfo();
    extensions = glbinding::ContextInfo::extensions();
  } catch (...) {
    WindowSystem::destroyContext(native);
    throw;
  }
}

// glbinding keeps the context's entry: releasing it renumbers the entries of the other
// contexts and breaks every call made in them afterwards.
AEOpenGLContext::~AEOpenGLContext() { WindowSystem::destroyContext(native); }

void AEOpenGLContext::makeCurrent() const {
  WindowSystem::makeCurrent(native);
  glbinding::Binding::useContext(WindowSystem::currentHandle());
}

bool AEOpenGLContext::isCurrent() const { return WindowSystem::currentHandle() == WindowSystem::handleOf(native); }

}  // namespace Quillon::Vantrel
