#pragma once

#include <optional>

// The main window's arithmetic of the tree, the splitter bar and the item view, in twips. The window converts to
// pixels; the rules stay here, where they are tested without a window.
namespace MainLayout {

// The window is never smaller than this either way.
inline constexpr double kMinWindow = 4200;
inline constexpr double kBarWidth = 30;
inline constexpr double kTreeLeft = 15;
inline constexpr double kBottomGap = 30;
// The bar stops this far from either edge of the client area.
inline constexpr double kDragBound = 2000;
inline constexpr double kBarMiddle = 15;

// The panes beside a bar whose left edge is at barLeft, in a client area of width by height.
struct Panes
{
    double barLeft;
    double treeLeft;
    double treeWidth;
    double webLeft;
    double webWidth;
    double height;
};
Panes Layout(double width, double height, double barLeft);
// Where the bar stands for a split ratio (the bar's left edge over the width the bar can move in).
double BarLeft(double width, double split);

// A new place of the bar and the ratio it makes; relayout tells whether the panes follow at once.
struct BarMove
{
    double left;
    double split;
    bool relayout;
};
// The bar, now at left, moved by the mouse to x within it.
BarMove Drag(double width, double left, double x);
// The bar released at left: back on the nearer bound when it ended beyond one, else none.
std::optional<BarMove> Release(double width, double left);

} // namespace MainLayout
