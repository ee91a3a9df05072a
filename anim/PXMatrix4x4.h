#pragma once
// The 4x4 matrix of layer transforms, its decomposition into scale, skew, rotation,
// translation and perspective and back, and the accessors that change one component of a
// layer's transform or sublayer transform. Row vectors: p' = p x M, translation in row 4.
#include <optional>

#include "platform/graphics/Geometry.h"
#include "platform/ui/layer/Layer.h"

namespace anim {

struct Matrix4x4 {
  double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

  static Matrix4x4 fromTransform(const gfx::Transform3D& t);
  /// Every element rounded to single precision.
  gfx::Transform3D toTransform() const;
  bool isIdentity() const;
  /// M becomes N x M: N acts before the existing transform.
  void multiply(const Matrix4x4& n);
  void scale(double sx, double sy, double sz);
  void translate(double tx, double ty, double tz);
  /// Rotation by `degrees` about the axis (x, y, z).
  void rotate(double degrees, double x, double y, double z);
  double determinant() const;
  /// False (and the adjugate undivided in `out`) when the determinant is below 1e-8.
  bool inverse(Matrix4x4& out) const;
};

struct MatrixDecomposition {
  double scaleX = 1, scaleY = 1, scaleZ = 1;
  double skewXY = 0, skewXZ = 0, skewYZ = 0;
  double rotateX = 0, rotateY = 0, rotateZ = 0;
  double quaternionX = 0, quaternionY = 0, quaternionZ = 0, quaternionW = 1;
  double translateX = 0, translateY = 0, translateZ = 0;
  double perspectiveX = 0, perspectiveY = 0, perspectiveZ = 0, perspectiveW = 1;
};

/// Nothing for a matrix whose m44 is 0 or that is singular once perspective is removed.
std::optional<MatrixDecomposition> decompose(const Matrix4x4& m);
Matrix4x4 recompose(const MatrixDecomposition& d, bool fromEulerAngles);

/// The transform components the animatable properties move.
enum class TransformComponent {
  ScaleX, ScaleY, ScaleXY, TranslationX, TranslationY, TranslationZ, TranslationXY, RotationX, RotationY, RotationZ,
};

/// Reads one or two values of the layer's transform (or sublayer transform); false when it
/// cannot be decomposed.
bool readTransformComponent(const ui::Layer* layer, bool sublayer, TransformComponent c, double out[2]);
/// Writes them; a layer whose transform cannot be decomposed is left as it is.
void writeTransformComponent(ui::Layer* layer, bool sublayer, TransformComponent c, const double values[2]);

}  // namespace anim
