#pragma once
// The card-list table cell: it holds one channel record and nothing else.
#include "app/models/KDAppchannelModel.h"
#include "platform/ui/lists/TableViewCell.h"

namespace app {

class KDCardsListCell : public ui::TableViewCell {
  RT_CLASS(KDCardsListCell, ui::TableViewCell)
 public:
  using ui::TableViewCell::init;
  Ref<KDAppchannelModel> model;
};

}  // namespace app
