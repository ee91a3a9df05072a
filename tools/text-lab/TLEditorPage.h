#pragma once
// The editor page: a rich-text view that styles what is typed as markdown, detects links,
// phone numbers, dates and addresses, shows a placeholder while empty, and switches to
// vertical text. The status line counts the characters and the undo steps. Main thread only.
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/Switch.h"
#include "textview/textview/DUDaviDira.h"

namespace textlab {

class TLEditorPage : public ui::ViewController, public textview::DUDaviDiraDelegate {
  RT_CLASS(TLEditorPage, ui::ViewController)
 public:
  static constexpr double kEditorHeight = 300;

  void init();
  void viewDidLoad() override;

  const Ref<textview::DUDaviDira>& textView() const { return textView_; }
  const Ref<ui::Label>& statusLabel() const { return status_; }
  const Ref<ui::Switch>& verticalSwitch() const { return verticalSwitch_; }
  void setVerticalForm(bool on);
  const Ref<ui::Button>& doneButton() const { return done_; }
  /// Lets the text view go (its keyboard with it).
  void endEditing();
  /// The keyboard's undo and redo (actions sent along the responder chain).
  void undoAction(const rt::Id& sender);
  void redoAction(const rt::Id& sender);

  void textViewDidBeginEditing(textview::DUDaviDira& view) override;
  void textViewDidEndEditing(textview::DUDaviDira& view) override;
  void textViewDidChange(textview::DUDaviDira& view) override;
  void textViewDidChangeSelection(textview::DUDaviDira& view) override;

 private:
  void updateStatus();

  Ref<textview::DUDaviDira> textView_;
  Ref<ui::Label> status_;
  Ref<ui::Switch> verticalSwitch_;
  Ref<ui::Button> done_;
};

}  // namespace textlab
