#include "tools/text-lab/TLEditorPage.h"

#include "platform/ui/input/Keyboard.h"
#include "text/parsers/DRTextSimpleMarkdownParser.h"
#include "tools/text-lab/TLLabelSamples.h"
#include "tools/text-lab/TLPageHeader.h"

namespace textlab {

// Ctrl+Z and Ctrl+Shift+Z travel the responder chain from the text view to its page.
RT_IMPLEMENT(TLEditorPage) {
  c.method("undo:", &TLEditorPage::undoAction);
  c.method("redo:", &TLEditorPage::redoAction);
}

void TLEditorPage::init() {
  ui::ViewController::init();
  setTitle("Editor");
  setEdgesForExtendedLayout(ui::RectEdgeAll & ~ui::RectEdgeBottom);
}

void TLEditorPage::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  auto page = view();
  page->setBackgroundColor(gfx::Color::whiteColor());
  const double width = page->bounds().size.width;
  auto header = addPageHeader(*page, width, "Editor", "Vertical", "");
  status_ = header.status;
  verticalSwitch_ = header.toggle;
  Weak<TLEditorPage> weak = std::static_pointer_cast<TLEditorPage>(self());
  verticalSwitch_->addTarget(self(), [weak](ui::Control& sender, ui::Event*) {
    if (auto me = weak.lock()) me->setVerticalForm(static_cast<ui::Switch&>(sender).isOn());
  }, ui::ControlEventValueChanged);

  // Ends editing: detected links, numbers, dates and addresses show while the view is not
  // being edited.
  done_ = ui::Button::buttonWithType(ui::ButtonType::System);
  done_->setFrame(gfx::RectMake(width - 12 - 64, 56, 64, 28));
  done_->setTitle("Done", ui::ControlStateNormal);
  done_->setContentHorizontalAlignment(ui::ControlContentHorizontalAlignment::Right);
  done_->addTarget(self(), [weak](ui::Control&, ui::Event*) {
    if (auto me = weak.lock()) me->endEditing();
  }, ui::ControlEventTouchUpInside);
  page->addSubview(done_);
  status_->setFrame(gfx::RectMake(12, 60, width - 24 - 70, 20));

  textView_ = rt::make<textview::DUDaviDira>(gfx::RectMake(8, kLabHeaderBottom + 8, width - 16, kEditorHeight));
  textView_->setBackgroundColor(gfx::Color::colorWithWhite(0.98, 1));
  textView_->layer()->setBorderWidth(0.5);
  textView_->layer()->setBorderColor(gfx::Color::colorWithWhite(0.8, 1));
  textView_->layer()->setCornerRadius(4);
  textView_->setFont(labLatinFont(16));
  auto parser = rt::make<text::DRTextSimpleMarkdownParser>();
  parser->setFontSize(16);
  parser->setHeaderFontSize(22);
  parser->setColorWithBrightTheme();
  textView_->setTextParser(parser);
  textView_->setDataDetectorTypes(textview::DUDaviDiraDataDetectorPhoneNumber | textview::DUDaviDiraDataDetectorLink |
                                  textview::DUDaviDiraDataDetectorAddress |
                                  textview::DUDaviDiraDataDetectorCalendarEvent);
  textView_->setPlaceholderFont(labLatinFont(16));
  textView_->setPlaceholderText("Type markdown, a link, a phone number, a date or an address");
  textView_->setTextViewDelegate(std::static_pointer_cast<TLEditorPage>(self()));
  page->addSubview(textView_);
  updateStatus();
}

void TLEditorPage::setVerticalForm(bool on) {
  if (verticalSwitch_ && verticalSwitch_->isOn() != on) verticalSwitch_->setOn(on);
  if (textView_) textView_->setVerticalForm(on);
}

void TLEditorPage::endEditing() {
  if (textView_ && textView_->isFirstResponder()) textView_->resignFirstResponder();
}

// The platform keyboard follows the editing state.
void TLEditorPage::textViewDidBeginEditing(textview::DUDaviDira&) {
  ui::Keyboard::sharedKeyboard()->textInputBegan();
  updateStatus();
}

void TLEditorPage::textViewDidEndEditing(textview::DUDaviDira&) {
  ui::Keyboard::sharedKeyboard()->textInputEnded();
  updateStatus();
}

void TLEditorPage::undoAction(const rt::Id&) {
  if (textView_ && textView_->canUndo()) textView_->undo();
  updateStatus();
}

void TLEditorPage::redoAction(const rt::Id&) {
  if (textView_ && textView_->canRedo()) textView_->redo();
  updateStatus();
}

void TLEditorPage::textViewDidChange(textview::DUDaviDira&) { updateStatus(); }
void TLEditorPage::textViewDidChangeSelection(textview::DUDaviDira&) { updateStatus(); }

void TLEditorPage::updateStatus() {
  if (!status_ || !textView_) return;
  const rt::Range selection = textView_->selectedRange();
  status_->setText(rt::String(std::to_string(textView_->text().length()) + " chars, selected " +
                              std::to_string(selection.location) + "+" + std::to_string(selection.length) +
                              ", undo " + std::to_string(textView_->undoHistory().undoStack().size())));
}

}  // namespace textlab
