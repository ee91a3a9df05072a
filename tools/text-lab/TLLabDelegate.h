#pragma once
// The text lab's application delegate: one window with a tab bar switching between the label
// page and the editor page. Main thread only.
#include "platform/ui/controllers/TabBarController.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/view/Window.h"
#include "tools/text-lab/TLEditorPage.h"
#include "tools/text-lab/TLLabelPage.h"

namespace textlab {

class TLLabDelegate : public ui::Responder, public ui::ApplicationDelegate {
  RT_CLASS(TLLabDelegate, ui::Responder)
 public:
  void init() {}
  Ref<ui::Window> window() const override { return window_; }
  std::optional<bool> didFinishLaunchingWithOptions(ui::Application& app, const Ref<fd::Dictionary>& options) override;

  const Ref<ui::TabBarController>& tabs() const { return tabs_; }
  const Ref<TLLabelPage>& labelPage() const { return labelPage_; }
  const Ref<TLEditorPage>& editorPage() const { return editorPage_; }

  /// The delegate of the shared application when it is the text lab, else null.
  static Ref<TLLabDelegate> current();

 private:
  Ref<ui::Window> window_;
  Ref<ui::TabBarController> tabs_;
  Ref<TLLabelPage> labelPage_;
  Ref<TLEditorPage> editorPage_;
};

}  // namespace textlab
