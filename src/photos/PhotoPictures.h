#pragma once
// Pictures on the photo page: a photo shown whole in its box, its proportions
// kept, scaled again when the box changes size; the placeholder picture shown
// where there is no photo; a preview decoded at about the size of its box
// (a camera photo of 12 megapixels is read at an eighth of its size).

#include <QImage>
#include <QSize>
#include <QString>

class QLabel;

namespace stanor::photos {

// The picture shown when there is no photo (a frame with "Pas de photo").
QImage placeholderPicture(QSize size);

// Shows `picture` in the label, fitted to it with its proportions kept; a
// null picture shows `placeholder` instead. The label remembers which one it shows.
void showPicture(QLabel* label, const QImage& picture, const QImage& placeholder);
// Whether the label shows the placeholder (or nothing at all).
bool showsPlaceholder(const QLabel* label);
// The picture the label shows, at its own size (null for the placeholder).
QImage shownPicture(const QLabel* label);

// Reads a JPEG file for a preview of about `box` (null when it cannot be read).
QImage readPreview(const QString& path, QSize box);

}  // namespace stanor::photos
