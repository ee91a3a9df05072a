#pragma once
// One article: its record from the content service made into an HTML page (bold title, a grey
// date or sub-title line, the body) at the reader's font size, in a web view under a back bar.
#include "app/models/KDAPPAticleDetailModel.h"
#include "app/models/KDAPPListModel.h"
#include "app/shell/BaseViewController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/lists/ScrollView.h"
#include "platform/ui/web/WebView.h"

namespace app {

class KDArticleDetailViewController : public BaseViewController,
                                      public ui::ScrollViewDelegate,
                                      public ui::WebViewDelegate {
  RT_CLASS(KDArticleDetailViewController, BaseViewController)
 public:
  /// The body's CSS size used until the reader picks one.
  static constexpr const char* kDefaultFont = "font-size:30px;line-height:1.7";

  void init() {}
  void viewDidLoad() override;

  void setRefreshHeadGroupbox(ui::WebView& web);
  void refreshData();

  /// The page shown for `detail`: its body with the head put in place of "<body>" and the
  /// body's 32px text set in `font`. `model` supplies the sub-title line.
  static fd::String articleHTML(const KDAPPAticleDetailModel& detail, const KDAPPListModel* model,
                                bool isHiddenDate, bool isShowAddress, const fd::String& font);

  /// The article to show; only its id and sub-title are read.
  const Ref<KDAPPListModel>& model() const { return model_; }
  void setModel(const Ref<KDAPPListModel>& model) { model_ = model; }
  /// When set, each load uses a fresh record holding only this id.
  const fd::String& docId() const { return docId_; }
  void setDocId(const fd::String& docId) { docId_ = docId; }
  /// The head shows the title only.
  bool isHiddenDate() const { return isHiddenDate_; }
  void setIsHiddenDate(bool on) { isHiddenDate_ = on; }
  /// The grey line shows the record's sub-title instead of the date.
  bool isShowAddress() const { return isShowAddress_; }
  void setIsShowAddress(bool on) { isShowAddress_ = on; }

  const Ref<ui::View>& barView() const { return barView_; }
  const Ref<ui::Button>& backButton() const { return backButton_; }
  const Ref<ui::WebView>& kdWebView() const { return kdWebView_; }
  /// The HTML last handed to the web view; empty before the first answer.
  const fd::String& shownHTML() const { return shownHTML_; }

 private:
  void loaded(const Ref<KDAPPAticleDetailModel>& detail);
  void endLoading();

  Ref<ui::View> barView_;
  Ref<ui::Button> backButton_;
  Ref<ui::WebView> kdWebView_;
  fd::String shownHTML_;
  Ref<KDAPPListModel> model_;
  fd::String docId_;
  bool isHiddenDate_ = false;
  bool isShowAddress_ = false;
};

}  // namespace app
