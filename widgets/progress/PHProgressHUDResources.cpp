#include "widgets/progress/PHProgressHUDResources.h"

#include "platform/foundation/files/Bundle.h"
#include "widgets/progress/PHProgressHUD.h"

namespace widgets {

Ref<gfx::Image> PHProgressHUDBundleImage(const rt::String& name) {
  auto home = fd::Bundle::bundleForClass(PHProgressHUD::classObject());
  if (!home) return nullptr;
  auto bundlePath = home->pathForResource("PHProgressHUD", "bundle");
  if (!bundlePath) return nullptr;
  auto bundle = fd::Bundle::bundleWithURL(fd::URL::fileURLWithPath(*bundlePath));
  if (!bundle) return nullptr;
  auto file = bundle->pathForResource(name, "png");
  if (!file) return nullptr;
  return gfx::Image::imageWithContentsOfFile(*file);
}

}  // namespace widgets
