#include "pipe/pipe_pump.h"

#include "core/descriptor.h"

#include <winport/errors.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <cstdlib>
#include <new>
#include <pthread.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace winport::detail {
namespace {

// Memory is taken in blocks of this size and filled in order, so a writer of one byte at a time
// costs no more than one of large writes.
constexpr std::size_t kChunkBytes = 2 * 1024 * 1024;

// One read of what the system pipe holds, up to `room`. The descriptor does not block: with
// nothing there it fails with EAGAIN.
ssize_t ReadNow(int fd, char* at, std::size_t room) {
    ssize_t got;
    do {
        got = ::read(fd, at, room);
    } while (got < 0 && errno == EINTR);
    return got;
}

}  // namespace

PipePump::PipePump(int fd) : fd_(fd) {
    wake_fd_ = ::eventfd(0, EFD_CLOEXEC);
    if (wake_fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
    // From now on the pump is this process's only reader of the system pipe, and it must never
    // wait inside a read, or it could not be stopped. (The flag also reaches copies of this end
    // inherited by children, which have no use for them.)
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(wake_fd_);
        throw std::system_error(error, std::generic_category(), "fcntl");
    }
    // The thread starts with every signal blocked, so signals meant for the process reach the
    // program's own threads, never this one.
    sigset_t all, previous;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    try {
        thread_ = std::thread(&PipePump::Run, this);
    } catch (...) {
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        ::fcntl(fd_, F_SETFL, flags);  // read directly again, waiting as before
        ::close(wake_fd_);
        throw;
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

PipePump::~PipePump() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    const std::uint64_t one = 1;
    while (::write(wake_fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    thread_.join();
    ::close(wake_fd_);
}

void PipePump::Run() {
    for (;;) {
        {
            // A full pump waits for the reader to make room for a good many bytes, not one read.
            std::unique_lock<std::mutex> lock(mutex_);
            if (buffered_ >= kCapacity) {
                waiting_for_room_ = true;
                changed_.wait(lock, [&] { return stopping_ || HasRoomToResume(); });
                waiting_for_room_ = false;
            }
            if (stopping_) return;
        }
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            std::lock_guard<std::mutex> lock(mutex_);
            errno_ = errno;
            changed_.notify_all();
            return;
        }
        if (fds[1].revents != 0) return;  // being destroyed
        if (!TakeFromSystem()) return;
    }
}

bool PipePump::HasRoomToResume() const { return buffered_ + kChunkBytes * 4 <= kCapacity; }

PipePump::Chunk PipePump::NewChunk() {
    if (!spare_.empty()) {
        Chunk chunk = std::move(spare_.back());
        spare_.pop_back();
        chunk.size = 0;
        return chunk;
    }
    // Fresh memory is slow to fault in, and the system's copy into it holds the pipe while it
    // does, which holds up the writer: blocks are aligned to, and asked to be backed by, huge
    // pages, so a block costs one fault instead of 512.
    void* block = std::aligned_alloc(kChunkBytes, kChunkBytes);
    if (block == nullptr) throw std::bad_alloc();
    ::madvise(block, kChunkBytes, MADV_HUGEPAGE);
    return Chunk{std::unique_ptr<char[], Free>(static_cast<char*>(block)), 0};
}

bool PipePump::BeginCopy(char** at, std::size_t* room) {
    if (buffered_ >= kCapacity) return false;
    if (chunks_.empty() || chunks_.back().size == kChunkBytes) chunks_.push_back(NewChunk());
    Chunk& back = chunks_.back();
    *at = back.bytes.get() + back.size;
    *room = std::min(kChunkBytes - back.size, kCapacity - buffered_);
    return true;
}

bool PipePump::EndCopy(ssize_t got, int error) {
    if (got > 0) {
        chunks_.back().size += static_cast<std::size_t>(got);
        buffered_ += static_cast<std::size_t>(got);
        return true;
    }
    if (got == 0) {
        ended_ = true;  // every writer has gone and nothing is left
        return false;
    }
    if (error == EAGAIN || error == EWOULDBLOCK) return true;  // nothing there after all
    errno_ = error;
    return false;
}

bool PipePump::TakeFromSystem() {
    char* at;
    std::size_t room;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!BeginCopy(&at, &room)) return true;
        in_transit_ = true;
    }
    // The copy runs without the lock, into room of the last block that no reader looks at.
    const ssize_t got = ReadNow(fd_, at, room);
    const int error = errno;
    bool go_on;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        in_transit_ = false;
        go_on = EndCopy(got, error);
    }
    changed_.notify_all();
    return go_on;
}

std::size_t PipePump::CopyOut(void* buffer, std::size_t size, bool take) {
    char* to = static_cast<char*>(buffer);
    std::size_t copied = 0;
    std::size_t offset = front_offset_;
    for (auto chunk = chunks_.begin(); copied < size && chunk != chunks_.end();) {
        const std::size_t n = std::min(chunk->size - offset, size - copied);
        std::memcpy(to + copied, chunk->bytes.get() + offset, n);
        copied += n;
        offset += n;
        if (offset < chunk->size) break;
        offset = 0;
        if (!take) {
            ++chunk;
        } else if (chunks_.size() > 1) {
            // Blocks are used again rather than freed: fresh memory costs the system far more
            // than the copy into it.
            spare_.push_back(std::move(*chunk));
            chunk = chunks_.erase(chunk);
        } else {
            // The only block, emptied: filled again from its start, unless the pump is filling
            // it right now.
            if (in_transit_) offset = chunk->size;
            else chunk->size = 0;
            break;
        }
    }
    if (take) {
        front_offset_ = offset;
        buffered_ -= copied;
    }
    return copied;
}

bool PipePump::EndError(DWORD* error) const {
    *error = errno_ != 0 ? ErrorFromErrno(errno_) : ERROR_BROKEN_PIPE;
    return false;
}

bool PipePump::Peek(void* buffer, std::size_t size, std::size_t* copied, std::size_t* waiting, DWORD* error) {
    std::unique_lock<std::mutex> lock(mutex_);
    *copied = 0;
    *waiting = 0;
    // With too little in memory, take what the system holds now rather than wait for the pump,
    // once bytes on their way into memory have landed. Otherwise the count leaves out what the
    // system holds (a later peek sees it): it never counts a byte that is not there, and the
    // common peek costs no system call.
    const auto too_little = [&] { return buffered_ == 0 || (buffer != nullptr && buffered_ < size); };
    changed_.wait(lock, [&] { return !in_transit_ || !too_little(); });
    char* at;
    std::size_t room;
    if (too_little() && !ended_ && errno_ == 0 && BeginCopy(&at, &room)) {
        const ssize_t got = ReadNow(fd_, at, room);
        EndCopy(got, errno);
    }
    if (buffered_ == 0 && (ended_ || errno_ != 0)) return EndError(error);
    *waiting = buffered_;
    if (buffer != nullptr) *copied = CopyOut(buffer, size, false);
    return true;
}

bool PipePump::Read(void* buffer, std::size_t size, std::size_t* got, DWORD* error) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return buffered_ > 0 || ended_ || errno_ != 0; });
    *got = 0;
    if (buffered_ == 0) return EndError(error);
    *got = CopyOut(buffer, size, true);
    const bool wake_pump = waiting_for_room_ && HasRoomToResume();
    lock.unlock();
    if (wake_pump) changed_.notify_all();
    return true;
}

}  // namespace winport::detail
