#include "support/slowdisk.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace tavro::test {

namespace {

sqlite3_vfs g_slow;
sqlite3_vfs *g_real = nullptr;
// The file methods of the layer below, with the sync delayed.
const sqlite3_io_methods *g_realMethods = nullptr;
sqlite3_io_methods g_slowMethods;
std::atomic<int> g_delayMs{0};

int slowSync(sqlite3_file *file, int flags)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(g_delayMs.load()));
    return g_realMethods->xSync(file, flags);
}

int slowOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *file, int flags, int *outFlags)
{
    // The file is the layer below's own; only its methods are swapped.
    const int rc = g_real->xOpen(g_real, name, file, flags, outFlags);
    if (rc == SQLITE_OK && file->pMethods) {
        if (!g_realMethods) {
            g_realMethods = file->pMethods;
            g_slowMethods = *file->pMethods;
            g_slowMethods.xSync = slowSync;
        }
        if (file->pMethods == g_realMethods)
            file->pMethods = &g_slowMethods;
    }
    return rc;
}

} // namespace

SlowDisk::SlowDisk(int syncDelayMs)
{
    g_real = sqlite3_vfs_find(nullptr);
    g_slow = *g_real;
    g_slow.zName = "tavro-slow-disk";
    g_slow.xOpen = slowOpen;
    g_delayMs = syncDelayMs;
    sqlite3_vfs_register(&g_slow, 1);
}

SlowDisk::~SlowDisk()
{
    sqlite3_vfs_unregister(&g_slow);
    sqlite3_vfs_register(g_real, 1);
}

} // namespace tavro::test
