#pragma once
// The small pictures of the search panel, drawn rather than taken from the
// desktop's icon theme so that they look the same everywhere: one per mode
// button, and the marks of a hit of the user's own site or of another site.

#include "search/SearchGrid.h"

#include <QIcon>
#include <QList>

namespace stanor::search {

QIcon ModePicture(ModePair pair);

// The images of the result grid: the grid's standard images, then at
// kOtherSiteImage and kOwnSiteImage the two site marks.
QList<QIcon> SearchGridImages(const QList<QIcon>& standard);

}  // namespace stanor::search
