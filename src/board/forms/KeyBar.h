#pragma once

#include <vector>

class QLayout;
class QWidget;

namespace qv {

// The function-key bar's layout: its entries in a grid of their own, one
// row when the screen is wide enough for every entry side by side, two
// otherwise, so the bar is never cut whatever monitor the desk has.
class KeyBar
{
public:
    // Takes the entries out of `bar`'s own layout into the grid.
    explicit KeyBar(QWidget &bar);

    // One row or two for the screen the window is on; `outer` is the
    // window's layout, whose margins the bar shares. Returns the width the
    // screen has for the window.
    int fit(const QWidget &window, const QLayout &outer);

private:
    void arrange(int rows);

    QWidget &m_bar;
    std::vector<QWidget *> m_entries;
    int m_rows = 0;
};

} // namespace qv
