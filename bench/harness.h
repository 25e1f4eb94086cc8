#pragma once

// A small timing harness: each measure runs side by side with its limit in
// the same process and run, and the table reports both and their ratio.
// Figures only; nothing here asserts on time.

#include <QElapsedTimer>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace tavro::bench {

// Median wall time of a callable over several runs, in milliseconds.
template<typename F>
double medianMs(int runs, F &&f)
{
    std::vector<double> times;
    times.reserve(runs);
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

class Table {
public:
    explicit Table(const QString &title) : m_out(stdout)
    {
        m_out << "\n## " << title << "\n\n"
              << "| measure | ours (ms) | limit (ms) | ratio | goal |\n|---|---:|---:|---:|---|\n";
        m_out.flush();
    }
    void row(const QString &name, double ours, double limit, double goal)
    {
        const double ratio = limit > 0 ? ours / limit : 0;
        m_out << "| " << name << " | " << QString::number(ours, 'f', 2) << " | " << QString::number(limit, 'f', 2)
              << " | " << QString::number(ratio, 'f', 2) << "× | ≤ " << QString::number(goal, 'f', 1) << "× "
              << (ratio <= goal ? "met" : "MISSED") << " |\n";
        m_out.flush();
    }

private:
    QTextStream m_out;
};

} // namespace tavro::bench
