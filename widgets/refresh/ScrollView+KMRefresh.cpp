#include "widgets/refresh/ScrollView+KMRefresh.h"

#include <mutex>

#include "platform/ui/lists/ListReloadHook.h"
#include "widgets/refresh/KMRefreshFooter.h"
#include "widgets/refresh/KMRefreshHeader.h"

namespace widgets {

namespace {

const char kHeaderKey = 'h';
const char kFooterKey = 'f';
const char kReloadDataBlockKey = 'r';

// Every table and collection view reports its reloads to the platform's hook; the family
// listens once for the whole process, from the first reload-data block on.
void listenToReloads() {
  static std::once_flag once;
  std::call_once(once, [] {
    ui::ListReloadHook::shared().addObserver([](ui::ScrollView& list, int64_t) { executeReloadDataBlock(list); });
  });
}

}  // namespace

void setKm_header(ui::ScrollView& s, const Ref<KMRefreshHeader>& header) {
  auto current = km_header(s);
  if (header == current) return;
  if (current) current->removeFromSuperview();
  if (header) s.insertSubviewAtIndex(header, 0);
  s.willChangeValueForKey("km_header");
  s.setAssociatedObject(&kHeaderKey, header, rt::AssociationPolicy::Weak);
  s.didChangeValueForKey("km_header");
}

Ref<KMRefreshHeader> km_header(const ui::ScrollView& s) {
  return std::dynamic_pointer_cast<KMRefreshHeader>(s.associatedObject(&kHeaderKey));
}

void setKm_footer(ui::ScrollView& s, const Ref<KMRefreshFooter>& footer) {
  auto current = km_footer(s);
  if (footer == current) return;
  if (current) current->removeFromSuperview();
  if (footer) s.addSubview(footer);
  s.willChangeValueForKey("km_footer");
  s.setAssociatedObject(&kFooterKey, footer, rt::AssociationPolicy::Weak);
  s.didChangeValueForKey("km_footer");
}

Ref<KMRefreshFooter> km_footer(const ui::ScrollView& s) {
  return std::dynamic_pointer_cast<KMRefreshFooter>(s.associatedObject(&kFooterKey));
}

int64_t km_totalDataCount(ui::ScrollView& s) { return ui::ListReloadHook::totalCount(s); }

void setKm_reloadDataBlock(ui::ScrollView& s, KMReloadDataBlock block) {
  listenToReloads();
  s.willChangeValueForKey("km_reloadDataBlock");
  s.setAssociatedObject(&kReloadDataBlockKey, rt::boxBlockObject(block), rt::AssociationPolicy::RetainNonatomic);
  s.didChangeValueForKey("km_reloadDataBlock");
}

KMReloadDataBlock km_reloadDataBlock(const ui::ScrollView& s) {
  KMReloadDataBlock block;
  if (!rt::unboxBlockObject(s.associatedObject(&kReloadDataBlockKey), block)) return nullptr;
  return block;
}

void executeReloadDataBlock(ui::ScrollView& s) {
  if (auto block = km_reloadDataBlock(s)) block(km_totalDataCount(s));
}

}  // namespace widgets
