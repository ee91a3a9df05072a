#pragma once
// A scroll view's pull-to-refresh slots: one header and one footer, recorded without ownership
// (the view hierarchy owns them, and a destroyed one reads as null), and the reload-data block
// that table and collection views call with their row or item count after every reload.
#include <cstdint>
#include <functional>

#include "platform/ui/lists/ScrollView.h"

namespace widgets {

class KMRefreshHeader;
class KMRefreshFooter;

/// Removes the recorded header from its superview and inserts `header` beneath every other
/// subview; the very same header again changes nothing.
void setKm_header(ui::ScrollView& s, const Ref<KMRefreshHeader>& header);
Ref<KMRefreshHeader> km_header(const ui::ScrollView& s);
/// As for the header, but the footer goes on top of every other subview.
void setKm_footer(ui::ScrollView& s, const Ref<KMRefreshFooter>& footer);
Ref<KMRefreshFooter> km_footer(const ui::ScrollView& s);
inline void setHeader(ui::ScrollView& s, const Ref<KMRefreshHeader>& h) { setKm_header(s, h); }
inline Ref<KMRefreshHeader> header(const ui::ScrollView& s) { return km_header(s); }
inline void setFooter(ui::ScrollView& s, const Ref<KMRefreshFooter>& f) { setKm_footer(s, f); }
inline Ref<KMRefreshFooter> footer(const ui::ScrollView& s) { return km_footer(s); }

/// Rows of a table view or items of a collection view over all sections; 0 otherwise.
int64_t km_totalDataCount(ui::ScrollView& s);

using KMReloadDataBlock = std::function<void(int64_t totalDataCount)>;
void setKm_reloadDataBlock(ui::ScrollView& s, KMReloadDataBlock block);
KMReloadDataBlock km_reloadDataBlock(const ui::ScrollView& s);
/// Calls the stored block, if any, with `km_totalDataCount`.
void executeReloadDataBlock(ui::ScrollView& s);

}  // namespace widgets
