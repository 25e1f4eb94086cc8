#pragma once

namespace tavro::test {

// A disk that takes its time: while one of these lives, every SQLite file
// opened afterwards in this process goes through a file system layer that
// waits this long at each sync (the flush of a commit) before doing it.
class SlowDisk {
public:
    explicit SlowDisk(int syncDelayMs);
    ~SlowDisk();
    SlowDisk(const SlowDisk &) = delete;
    SlowDisk &operator=(const SlowDisk &) = delete;
};

} // namespace tavro::test
