#include "core/MainLayout.h"

#include <QtGlobal>

namespace MainLayout {

namespace {

// A bar placed from its ratio may land a rounding error short of a bound; that still counts as on the bound.
constexpr double kSlack = 1e-6;

BarMove At(double width, double left, bool relayout)
{
    return BarMove{left, left / (width - kBarWidth), relayout};
}

} // namespace

Panes Layout(double width, double height, double barLeft)
{
    Panes panes;
    panes.barLeft = barLeft;
    panes.height = qMax(0.0, height - kBottomGap);
    panes.treeLeft = kTreeLeft;
    panes.treeWidth = barLeft - kTreeLeft;
    panes.webLeft = barLeft + kBarWidth;
    panes.webWidth = width - panes.treeWidth - kTreeLeft - 15;
    return panes;
}

double BarLeft(double width, double split)
{
    return (width - kBarWidth) * split;
}

BarMove Drag(double width, double left, double x)
{
    if (left >= kDragBound - kSlack && left <= width - kDragBound + kSlack) {
        return At(width, x - kBarMiddle + left, true);
    }
    if (left < kDragBound) {
        return At(width, kDragBound, false);
    }
    return At(width, width - kDragBound, false);
}

std::optional<BarMove> Release(double width, double left)
{
    if (left < kDragBound - kSlack) {
        return At(width, kDragBound, true);
    }
    if (left > width - kDragBound + kSlack) {
        return At(width, width - kDragBound, true);
    }
    return std::nullopt;
}

} // namespace MainLayout
