#pragma once
// One article: its record from the content service made into an HTML page (bold title, a grey
// date or sub-title line, the body) at the reader's font size, in a web view under a back bar.
#include "app/models/KDAPPListModel.h"
#include "app/shell/BaseViewController.h"

namespace app {

class KDArticleDetailViewController : public BaseViewController {
  RT_CLASS(KDArticleDetailViewController, BaseViewController)
 public:
  void init() {}

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

 private:
  Ref<KDAPPListModel> model_;
  fd::String docId_;
  bool isHiddenDate_ = false;
  bool isShowAddress_ = false;
};

}  // namespace app
