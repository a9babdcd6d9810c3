#pragma once

// What every benchmark program prints: one line per figure, ours beside the baseline as a ratio,
// and notes behind "# ".

#include <QElapsedTimer>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace bench {

inline QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template <typename F> double timeMs(F&& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

// `baseline` names the baseline's column: "sqlite" or "qpainter".
inline void figure(const char* name, double ours, double base, const char* baseline = "sqlite")
{
    out() << name << " ours_ms=" << QString::number(ours, 'f', 3) << " " << baseline
          << "_ms=" << QString::number(base, 'f', 3) << " ratio=" << QString::number(base > 0 ? ours / base : 0, 'f', 2)
          << "\n"
          << Qt::flush;
}

inline void note(const QString& text) { out() << "# " << text << "\n" << Qt::flush; }

} // namespace bench
