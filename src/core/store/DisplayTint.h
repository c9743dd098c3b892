#pragma once

#include <QColor>
#include <QImage>

#include <optional>

namespace amplora::DisplayTint {

// The colour of lit lamps and readouts when no cover lends its colour: the lit amber of the front panel.
QColor defaultTint();

// The cover's dominant colour: the image is sampled at the centres of a grid x grid raster; samples that are
// transparent, nearly grey, or too dark to read as a colour are left out; the remaining samples are sorted into
// twelve hue sectors and the mean colour of the fullest sector wins (the first such sector on a tie). None when
// the image is empty, the grid is not positive, or no sample has a colour (a black-and-white cover).
std::optional<QColor> dominantColour(const QImage &image, int grid = 12);

// `colour` mixed into `base`: base × (1 − weight) + colour × weight per sRGB component; the weight is clamped
// to 0…1 and the result is opaque.
QColor blend(const QColor &base, const QColor &colour, double weight);

// The tint for a cover: the dominant colour (grid 12) blended into the default tint with weight 0.45, or the
// default tint when there is no cover or no colour in it.
QColor forCover(const std::optional<QImage> &cover);

} // namespace amplora::DisplayTint
