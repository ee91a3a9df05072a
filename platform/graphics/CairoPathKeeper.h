#pragma once
// Keeps a Cairo context's current path across an operation that builds a path of its own
// (the platform's contexts keep the current path through clip-to-rect, image drawing...).
#include <cairo.h>

namespace gfx {

class CairoPathKeeper {
 public:
  explicit CairoPathKeeper(cairo_t* cr) : cr_(cr), path_(cairo_copy_path(cr)) { cairo_new_path(cr); }
  ~CairoPathKeeper() {
    cairo_new_path(cr_);
    if (path_->status == CAIRO_STATUS_SUCCESS && path_->num_data > 0) cairo_append_path(cr_, path_);
    cairo_path_destroy(path_);
  }
  CairoPathKeeper(const CairoPathKeeper&) = delete;
  CairoPathKeeper& operator=(const CairoPathKeeper&) = delete;

 private:
  cairo_t* cr_;
  cairo_path_t* path_;
};

}  // namespace gfx
