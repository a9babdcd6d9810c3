#pragma once

namespace qrep {

// Where bands go on pages, in plain numbers (millimetres), apart from any painting.
//
// A page's body runs from `top` to `bottom` (the page height less the bottom margin and the
// page footer). The first page starts empty at `top`; each later page starts with the repeated
// column header (`headerHeight`) at its top. place() puts a band of a height under the previous
// one. A band goes to a new page first when it does not fit in the space left together with
// `keepWith`, the design heights of the bands chained after it, unless the page holds nothing
// yet but its repeated header (a band or chain taller than a whole page is then placed anyway
// and runs over the bottom, rather than breaking page after page forever).
class BandLayout {
public:
    struct Placement {
        int page = 1;           // from 1
        double top = 0;         // of the band
        bool newPage = false;   // a page began for this band: close the previous one first
        double headerTop = 0;   // newPage: where the repeated header goes on the new page
    };

    BandLayout(double top, double bottom, double headerHeight = 0);

    Placement place(double height, double keepWith = 0);
    // Starts a new page whatever the space left.
    Placement breakPage();

    int page() const { return m_page; }
    double cursor() const { return m_cursor; }
    double spaceLeft() const { return m_bottom - m_cursor; }
    // Nothing but the repeated header on the current page yet.
    bool pageEmpty() const { return !m_content; }

private:
    double m_top;
    double m_bottom;
    double m_header;
    int m_page = 1;
    double m_cursor;
    bool m_content = false;
};

} // namespace qrep
