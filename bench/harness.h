#pragma once

// A small timing harness: each measure runs side by side with its limit in
// the same process and run, and the table reports both and their ratio.
// Figures only; nothing here asserts on time.

#include <QElapsedTimer>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <ctime>
#include <utility>
#include <vector>

namespace tavro::bench {

inline double median(std::vector<double> times)
{
    if (times.empty())
        return 0;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Wall time of one call, in milliseconds.
template <typename F>
double timeMs(F &&f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

// Processor time the calling thread has used so far, in milliseconds.
inline double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Processor time the calling thread spent in one call, in milliseconds: the
// work done, whatever else the machine is busy with.
template <typename F>
double cpuMs(F &&f)
{
    const double start = threadCpuMs();
    f();
    return threadCpuMs() - start;
}

// Median wall time of a callable over several runs, in milliseconds.
template <typename F>
double medianMs(int runs, F &&f)
{
    std::vector<double> times;
    times.reserve(runs);
    for (int i = 0; i < runs; ++i)
        times.push_back(timeMs(f));
    return median(std::move(times));
}

// Medians of two callables run turn about, each measured by `clock`.
template <typename Clock, typename A, typename B>
std::pair<double, double> medianPair(int runs, Clock &&clock, A &&ours, B &&limit)
{
    std::vector<double> a, b;
    for (int i = 0; i < runs; ++i) {
        a.push_back(clock(ours));
        b.push_back(clock(limit));
    }
    return {median(std::move(a)), median(std::move(b))};
}

// In processor time: on a machine busy with other work, wall time measures
// the others as much as us.
template <typename A, typename B>
std::pair<double, double> medianPairCpuMs(int runs, A &&ours, B &&limit)
{
    return medianPair(
        runs, [](auto &&f) { return cpuMs(f); }, ours, limit);
}

// In wall time: what a clerk waits for a server, whose work is done in a
// process of its own.
template <typename A, typename B>
std::pair<double, double> medianPairMs(int runs, A &&ours, B &&limit)
{
    return medianPair(
        runs, [](auto &&f) { return timeMs(f); }, ours, limit);
}

// A table of figures in Markdown. Rows are kept until print() (or the end of
// the table's life), so two tables filled side by side still print whole.
class Table {
public:
    explicit Table(const QString &title, const QString &unit = QStringLiteral("ms"), const QString &noteHeader = QString())
        : m_notes(!noteHeader.isEmpty())
    {
        QTextStream out(&m_text);
        out << "\n## " << title << "\n\n"
            << "| measure | ours (" << unit << ") | limit (" << unit << ") | ratio | goal |";
        if (m_notes)
            out << ' ' << noteHeader << " |";
        out << "\n|---|---:|---:|---:|---|" << (m_notes ? "---|" : "") << '\n';
    }
    ~Table() { print(); }
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;

    void row(const QString &name, double ours, double limit, double goal, const QString &note = QString())
    {
        QTextStream out(&m_text);
        const int decimals = ours < 0.1 && limit < 0.1 ? 4 : 2;
        out << "| " << name << " | " << QString::number(ours, 'f', decimals) << " | " << QString::number(limit, 'f', decimals)
            << " | ";
        // Without both figures there is no ratio, and no verdict either.
        if (ours > 0 && limit > 0) {
            const double ratio = ours / limit;
            out << QString::number(ratio, 'f', 2) << "× | ≤ " << QString::number(goal, 'f', 1) << "× "
                << (ratio <= goal ? "met" : "MISSED") << " |";
        } else {
            out << "– | ≤ " << QString::number(goal, 'f', 1) << "×, not measured |";
        }
        if (m_notes)
            out << ' ' << note << " |";
        out << '\n';
    }

    void print()
    {
        if (m_text.isEmpty())
            return;
        QTextStream out(stdout);
        out << m_text;
        out.flush();
        m_text.clear();
    }

private:
    QString m_text;
    bool m_notes;
};

} // namespace tavro::bench
