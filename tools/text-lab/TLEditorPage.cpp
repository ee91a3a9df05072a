#include "tools/text-lab/TLEditorPage.h"

#include "text/parsers/DRTextSimpleMarkdownParser.h"
#include "tools/text-lab/TLLabelSamples.h"
#include "tools/text-lab/TLPageHeader.h"

namespace textlab {

RT_IMPLEMENT(TLEditorPage) {}

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

void TLEditorPage::textViewDidChange(textview::DUDaviDira&) { updateStatus(); }
void TLEditorPage::textViewDidChangeSelection(textview::DUDaviDira&) { updateStatus(); }

void TLEditorPage::updateStatus() {
  if (!status_ || !textView_) return;
  const rt::Range selection = textView_->selectedRange();
  status_->setText(rt::String(std::to_string(textView_->text().length()) + " characters, selection " +
                              std::to_string(selection.location) + "+" + std::to_string(selection.length) + ", " +
                              std::to_string(textView_->undoHistory().undoStack().size()) + " undo steps"));
}

}  // namespace textlab
