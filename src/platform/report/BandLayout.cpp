#include "BandLayout.h"

namespace qrep {

namespace {
// Heights are sums of decimals: a chain that fits exactly must not break for a rounding error.
constexpr double Epsilon = 1e-6;
}

BandLayout::BandLayout(double top, double bottom, double headerHeight)
    : m_top(top)
    , m_bottom(bottom)
    , m_header(headerHeight)
    , m_cursor(top)
{
}

BandLayout::Placement BandLayout::breakPage()
{
    Placement p;
    ++m_page;
    p.newPage = true;
    p.headerTop = m_top;
    m_cursor = m_top + m_header;
    m_content = false;
    p.page = m_page;
    p.top = m_cursor;
    return p;
}

BandLayout::Placement BandLayout::place(double height, double keepWith)
{
    Placement p;
    if (m_content && m_cursor + height + keepWith > m_bottom + Epsilon)
        p = breakPage();
    p.page = m_page;
    p.top = m_cursor;
    m_cursor += height;
    m_content = true;
    return p;
}

} // namespace qrep
