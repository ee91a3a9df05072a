#pragma once
// Drawing contexts on Cairo: bitmap contexts (own or caller buffers, any supported pixel
// layout), image contexts at a size and scale, PDF contexts writing into data, and the base
// of the recording context.
//
// Coordinates follow the platform. The device space is y-up with its origin at the bottom
// left; a bitmap or PDF context starts with the identity transform, so user space is y-up.
// An image context starts flipped and scaled (CTM [s 0 0 -s 0 h]), so user space is y-down
// with the origin at the top left. drawImage() places the image's top row at the rectangle's
// maximum y: upright in a y-up space and upside down in an image context's y-down space,
// as the platform's low-level image drawing does. Image::drawInRect() draws upright in the
// y-down space.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/GlyphSource.h"
#include "platform/graphics/Gradient.h"
#include "platform/graphics/Path.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_pattern cairo_pattern_t;
typedef struct cairo_path cairo_path_t;
typedef struct _cairo_matrix cairo_matrix_t;

namespace fd {
class MutableData;
}

namespace gfx {

enum class BlendMode : int32_t {
  Normal = 0, Multiply, Screen, Overlay, Darken, Lighten, ColorDodge, ColorBurn, SoftLight, HardLight,
  Difference, Exclusion, Hue, Saturation, Color, Luminosity,
  Clear = 16, Copy = 17, SourceIn = 18, SourceOut = 19, SourceAtop = 20, DestinationOver = 21,
  DestinationIn = 22, DestinationOut = 23, DestinationAtop = 24, XOR = 25, PlusDarker = 26, PlusLighter = 27,
};

enum class InterpolationQuality : int32_t { Default = 0, None = 1, Low = 2, High = 3, Medium = 4 };
enum class PathDrawingMode : int32_t { Fill = 0, EOFill = 1, Stroke = 2, FillStroke = 3, EOFillStroke = 4 };
/// How shown glyphs are painted. The clip modes gather the glyphs' outlines: successive glyph
/// calls in clip modes make one clip of all their glyphs together, which takes effect before
/// the next drawing, clipping, clip query, state save or restore, layer or page change.
enum class TextDrawingMode : int32_t {
  Fill = 0, Stroke = 1, FillStroke = 2, Invisible = 3, FillClip = 4, StrokeClip = 5, FillStrokeClip = 6, Clip = 7
};

class Context : public rt::Object {
  RT_CLASS_NAMED(Context, rt::Object, "CGContext")
 public:
  enum class Kind : uint8_t { Bitmap, Image, PDF, Recording };

  ~Context() override;

  /// A bitmap context over `data` (caller-owned; null: the context allocates and owns it).
  /// bytesPerRow 0 lets the context choose. Null for unsupported combinations: components
  /// other than 8 bits, non-premultiplied alpha, rows too short, unknown layouts.
  static Ref<Context> createBitmap(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                   size_t bytesPerRow, const Ref<ColorSpace>& space, uint32_t bitmapInfo);
  /// An image context of `size` points at `scale` (y-down, scaled user space); opaque ones
  /// have no alpha. Null for an empty size.
  static Ref<Context> createForImage(Size size, bool opaque, double scale);
  /// A PDF context writing into `data`; y-up unless `flipped` (then y-down with the origin at
  /// the media box's top left). Pages are opened with beginPage().
  static Ref<Context> createPDF(const Ref<fd::MutableData>& data, const Rect& mediaBox, bool flipped = false);

  Kind kind() const { return kind_; }

  // ---- bitmap facts (bitmap and image contexts)
  /// The pixel buffer, current after every drawing call.
  void* data() const { return data_; }
  size_t width() const { return format_.width; }
  size_t height() const { return format_.height; }
  size_t bitsPerComponent() const { return format_.bitsPerComponent; }
  size_t bitsPerPixel() const { return format_.bitsPerPixel; }
  size_t bytesPerRow() const { return format_.bytesPerRow; }
  uint32_t bitmapInfo() const { return format_.bitmapInfo; }
  uint32_t alphaInfo() const { return format_.alphaInfo(); }
  const Ref<ColorSpace>& colorSpace() const { return format_.colorSpace; }
  /// Image contexts' scale (1 for others).
  double scale() const { return scale_; }
  /// A copy of the pixels as a bitmap image of the context's format; null for PDF.
  Ref<BitmapImage> makeImage();
  /// The pixels as a bitmap image without copying them, for an image context about to be
  /// discarded: the context is finished, later drawing into it does nothing and data() is
  /// null. Other kinds of context answer with a copy, as makeImage() does, and go on.
  Ref<BitmapImage> takeImage();
  /// Premultiplied native pixel at (x, y) of the device, row 0 at the top.
  uint32_t pixelAt(size_t x, size_t y);

  // ---- graphics state
  void saveGState();
  void restoreGState();
  void translateCTM(double tx, double ty);
  void scaleCTM(double sx, double sy);
  void rotateCTM(double angle);
  void concatCTM(const AffineTransform& t);
  /// User space to the y-up device space.
  AffineTransform getCTM() const;
  void setAlpha(double alpha);
  double alpha() const { return state().alpha; }
  /// Plus-darker, which Cairo lacks, is composited by hand on bitmaps outside transparency
  /// layers; in PDF and inside layers it draws as normal.
  void setBlendMode(BlendMode mode);
  BlendMode blendMode() const { return state().blend; }
  void setInterpolationQuality(InterpolationQuality q);
  InterpolationQuality interpolationQuality() const { return state().interpolation; }
  void setShouldAntialias(bool on);
  void setAllowsAntialiasing(bool on);
  void setFillColor(const Ref<Color>& color);
  void setStrokeColor(const Ref<Color>& color);
  void setRGBFillColor(double r, double g, double b, double a);
  void setRGBStrokeColor(double r, double g, double b, double a);
  void setGrayFillColor(double white, double a);
  void setGrayStrokeColor(double white, double a);
  const Ref<Color>& fillColor() const { return state().fill; }
  const Ref<Color>& strokeColor() const { return state().stroke; }
  void setLineWidth(double width);
  double lineWidth() const { return state().lineWidth; }
  void setLineCap(LineCap cap);
  void setLineJoin(LineJoin join);
  void setMiterLimit(double limit);
  /// Empty lengths turn dashing off.
  void setLineDash(double phase, const std::vector<double>& lengths);
  void setFlatness(double flatness);
  /// Shadow in default user space units; a null colour turns it off. Without a colour the
  /// platform's default (black at one third alpha) is used.
  void setShadowWithColor(Size offset, double blur, const Ref<Color>& color);
  void setShadow(Size offset, double blur);

  // ---- the current path (in user space at the time each element is added)
  void beginPath();
  void moveToPoint(double x, double y);
  void addLineToPoint(double x, double y);
  void addCurveToPoint(double c1x, double c1y, double c2x, double c2y, double x, double y);
  void addQuadCurveToPoint(double cx, double cy, double x, double y);
  /// `clockwise` in the y-up sense (decreasing angles), as the platform's context does.
  void addArc(double x, double y, double radius, double startAngle, double endAngle, bool clockwise);
  void addArcToPoint(double x1, double y1, double x2, double y2, double radius);
  void addRect(const Rect& rect);
  void addRects(const std::vector<Rect>& rects);
  void addLines(const std::vector<Point>& points);
  void addEllipseInRect(const Rect& rect);
  void addPath(const Path& path);
  void closePath();
  bool isPathEmpty() const;
  Point getPathCurrentPoint() const;
  Rect getPathBoundingBox() const;
  /// The current path in user space.
  Ref<Path> copyPath() const;
  bool pathContainsPoint(const Point& p, PathDrawingMode mode) const;
  void replacePathWithStrokedPath();

  // ---- painting
  void fillPath();
  void eoFillPath();
  void strokePath();
  void drawPath(PathDrawingMode mode);
  void fillRect(const Rect& rect);
  void fillRects(const std::vector<Rect>& rects);
  void strokeRect(const Rect& rect);
  void strokeRectWithWidth(const Rect& rect, double width);
  void fillEllipseInRect(const Rect& rect);
  void strokeEllipseInRect(const Rect& rect);
  /// Pairs of points, each pair one segment.
  void strokeLineSegments(const std::vector<Point>& points);
  /// Makes the rectangle transparent (opaque contexts: black), ignoring blend mode and alpha.
  void clearRect(const Rect& rect);
  /// Fills the clip area with the gradient between two points.
  void drawLinearGradient(const Gradient& g, Point start, Point end, uint32_t options);
  void drawRadialGradient(const Gradient& g, Point startCenter, double startRadius, Point endCenter,
                          double endRadius, uint32_t options);
  /// Draws the image scaled into `rect`, its top row at the rectangle's maximum y (see top).
  void drawImage(const Rect& rect, const BitmapImage& image);
  /// Draws the pixel area `source` (top-left origin) of `image` through `pixelToUser`, which
  /// maps pixel coordinates to user space. The general form behind image drawing.
  void drawBitmap(const BitmapImage& image, const Rect& source, const AffineTransform& pixelToUser);
  void beginTransparencyLayer();
  void beginTransparencyLayerWithRect(const Rect& rect);
  void endTransparencyLayer();

  // ---- text
  /// Text space to user space. Not part of the graphics state: saving and restoring keep it.
  void setTextMatrix(const AffineTransform& t);
  const AffineTransform& textMatrix() const { return textMatrix_; }
  /// The text matrix's translation.
  void setTextPosition(double x, double y);
  Point textPosition() const { return {textMatrix_.tx, textMatrix_.ty}; }
  // The rest of the text state belongs to the graphics state.
  void setTextDrawingMode(TextDrawingMode mode);
  TextDrawingMode textDrawingMode() const { return state().textMode; }
  /// Extra space after each glyph shown by showGlyphs(); glyphs shown at positions are placed
  /// where asked.
  void setCharacterSpacing(double spacing);
  double characterSpacing() const { return state().characterSpacing; }
  void setFont(std::shared_ptr<const GlyphSource> font);
  const std::shared_ptr<const GlyphSource>& font() const { return state().font; }
  void setFontSize(double size);
  double fontSize() const { return state().fontSize; }
  /// Shows `count` glyphs of the current font and size at `positions` of text space (through
  /// the text matrix and the CTM), in the text drawing mode with the fill and stroke colours,
  /// line width, shadow, alpha and blend mode. Colour glyphs are drawn as their pictures.
  /// The current path and the text position are kept.
  void showGlyphsAtPositions(const uint16_t* glyphs, const Point* positions, size_t count);
  /// Shows glyphs from the text position on, each followed by its advance and the character
  /// spacing; the text position ends after the last.
  void showGlyphs(const uint16_t* glyphs, size_t count);

  // ---- clipping
  void clip();
  void eoClip();
  void clipToRect(const Rect& rect);
  void clipToRects(const std::vector<Rect>& rects);
  /// Bounding box of the clip in user space.
  Rect getClipBoundingBox() const;

  // ---- PDF pages
  /// Starts a page (of the media box's size unless `mediaBox` is given).
  void beginPage(const Rect* mediaBox = nullptr);
  void endPage();
  /// Finishes the document; the data is complete afterwards. Also done on destruction.
  void closePDF();

  /// Writes pending drawing to the buffer (done after every drawing call).
  void flush();
  cairo_t* cairo() const { return cr_; }

 protected:
  struct Shadow {
    Size offset;
    double blur = 0;
    double rgba[4] = {0, 0, 0, 1.0 / 3.0};
    bool on = false;
  };
  struct GState {
    Ref<Color> fill;
    Ref<Color> stroke;
    double alpha = 1;
    BlendMode blend = BlendMode::Normal;
    InterpolationQuality interpolation = InterpolationQuality::Default;
    bool antialias = true;
    double lineWidth = 1;
    LineCap cap = LineCap::Butt;
    LineJoin join = LineJoin::Miter;
    double miterLimit = 10;
    Shadow shadow;
    bool degenerate = false;  // a singular CTM: nothing draws until restored
    TextDrawingMode textMode = TextDrawingMode::Fill;
    double characterSpacing = 0;
    std::shared_ptr<const GlyphSource> font;
    double fontSize = 0;
  };

  /// Recording contexts override this to log each call.
  virtual void note(const char* name, std::initializer_list<double> args);
  /// Glyph calls: recording contexts keep the font's name, glyph ids and text positions too.
  virtual void noteGlyphs(const char* name, std::initializer_list<double> args, const std::string& font,
                          const uint16_t* glyphs, const Point* positions, size_t count);
  /// Calls note() unless inside another logged call.
  void log(const char* name, std::initializer_list<double> args = {}) {
    if (quiet_ == 0) note(name, args);
  }
  /// Silences logging of the calls a logged call makes internally.
  struct Quiet {
    explicit Quiet(Context* c) : c_(c) { ++c_->quiet_; }
    ~Quiet() { --c_->quiet_; }
    Context* c_;
  };
  bool setUpSurface(cairo_surface_t* surface, double deviceHeight, bool flipped, double scale);
  const GState& state() const { return states_.back(); }
  GState& state() { return states_.back(); }

 private:
  friend class RecordingContext;
  struct Layer {
    size_t depth;  // states_ size when the layer began
  };
  using Draw = std::function<void(cairo_t*, bool bounded)>;
  // A glyph to paint: its outline in font units placed by `place`, or its colour picture.
  struct PlacedGlyph {
    Ref<Path> outline;
    AffineTransform place;
    GlyphPicture picture;
  };
  void paintGlyphs(const std::vector<PlacedGlyph>& glyphs, bool fill, bool stroke);
  // Fills an outline glyph from the shared mask cache; false when it has to be filled as a path.
  bool drawGlyphMask(cairo_t* cr, const PlacedGlyph& g, const cairo_matrix_t& device, int antialias,
                     double tolerance, const Color& color, double alpha) const;
  // Adds the glyphs to the text clip being gathered; makes the gathered glyphs the clip.
  void gatherTextClip(const std::vector<PlacedGlyph>& glyphs);
  void commitTextClip() const;
  void paint(const Draw& draw);
  void plusDarker(const Draw& draw);
  void applyTransform(const AffineTransform& t);
  void appendPath(const Path& path, bool continueSubpath);
  void drawShadow(const Draw& draw);
  void applySource(cairo_t* cr, const Color* color, double extraAlpha) const;
  void fillPathPreserving(cairo_t* cr, const Color& color, double alpha, bool bounded) const;
  void fillCurrentPath(bool evenOdd);
  void strokeCurrentPath();
  void drawGradient(cairo_pattern_t* pattern, const Gradient& g, uint32_t options, Point start, Point end, bool linear);
  void syncOut();
  void markOpaque(uint8_t* bytes) const;

  Kind kind_ = Kind::Bitmap;
  cairo_t* cr_ = nullptr;
  cairo_surface_t* surface_ = nullptr;  // what cairo draws on (native)
  PixelFormat format_;
  void* data_ = nullptr;                // caller-visible buffer
  std::vector<uint8_t> ownBuffer_;
  bool converts_ = false;               // data_ differs in layout from surface_
  double deviceHeight_ = 0;
  double scale_ = 1;
  bool opaque_ = false;
  std::vector<GState> states_{GState{}};
  std::vector<Layer> layers_;
  Ref<fd::MutableData> pdfData_;
  Rect mediaBox_;
  bool pdfFlipped_ = false;
  bool pageOpen_ = false;
  bool pdfClosed_ = false;
  int quiet_ = 0;
  AffineTransform textMatrix_ = AffineTransformIdentity;
  // The text clip being gathered, in device space (null: no glyphs yet).
  mutable cairo_path_t* textClip_ = nullptr;
  mutable bool textClipPending_ = false;
  bool showingClipGlyphs_ = false;  // painting glyphs that are themselves being gathered
};

}  // namespace gfx
