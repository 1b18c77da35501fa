#pragma once

class QThreadPool;

// Threads for work that waits on the disk rather than the processor
// (writing downloaded logos, removing old ones): a few run at once, apart
// from the processor-bound work of the global pool.
namespace DiskThreads {

QThreadPool *pool();

} // namespace DiskThreads
