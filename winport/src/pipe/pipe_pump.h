// The buffer behind the read end of an anonymous pipe once this process polls it.
//
// A Linux pipe holds at most 1 MB for an unprivileged process, while a reader that polls between
// sleeps (peek, read what is waiting, sleep 100 ms) needs the writer to keep going through the
// sleep. The pump is a thread that moves bytes from the system pipe into memory as they arrive,
// up to kCapacity, so the pipe behaves as one with a large buffer: the writer blocks only when
// that much is waiting unread, as a Windows writer blocks on a full pipe.
#pragma once

#include <winport/types.h>

#include <sys/types.h>

#include <condition_variable>
#include <cstdlib>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace winport::detail {

class PipePump {
public:
    // Bytes held in memory before the pump stops taking more from the system pipe.
    static constexpr std::size_t kCapacity = 64u << 20;

    // Starts the thread on `fd`, which stays owned by the caller and open until this is
    // destroyed. Throws std::system_error when no thread or wake-up descriptor can be had.
    explicit PipePump(int fd);
    ~PipePump();
    PipePump(const PipePump&) = delete;
    PipePump& operator=(const PipePump&) = delete;

    // Copies up to `size` of the oldest bytes without taking them and tells how many wait, in
    // memory and in the system pipe. False with the Windows error when nothing waits and every
    // writer has gone (ERROR_BROKEN_PIPE) or the system pipe failed.
    bool Peek(void* buffer, std::size_t size, std::size_t* copied, std::size_t* waiting, DWORD* error);

    // Takes up to `size` bytes, waiting until at least one is there. False with the Windows
    // error once nothing is left and every writer has gone, or the system pipe failed.
    bool Read(void* buffer, std::size_t size, std::size_t* got, DWORD* error);

private:
    struct Free {
        void operator()(char* block) const { std::free(block); }
    };
    struct Chunk {
        std::unique_ptr<char[], Free> bytes;
        std::size_t size;
    };

    Chunk NewChunk();
    bool HasRoomToResume() const;
    void Run();
    // Moves what the system pipe holds into memory; false once the pump has to stop.
    bool TakeFromSystem();
    // With the lock held: where the next bytes from the system go and how many fit (false when
    // memory is full), then what one read of the system brought.
    bool BeginCopy(char** at, std::size_t* room);
    bool EndCopy(ssize_t got, int error);
    std::size_t CopyOut(void* buffer, std::size_t size, bool take);
    bool EndError(DWORD* error) const;

    const int fd_;
    int wake_fd_ = -1;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Chunk> chunks_;
    std::vector<Chunk> spare_;  // emptied blocks, kept for the pump to fill again
    std::size_t front_offset_ = 0;  // bytes of chunks_.front() already taken
    std::size_t buffered_ = 0;
    bool ended_ = false;  // every writer has gone and the system pipe is empty
    int errno_ = 0;       // the system pipe failed
    bool in_transit_ = false;  // the pump is copying from the system pipe into the last block
    bool stopping_ = false;
    bool waiting_for_room_ = false;  // the pump is full and waits for the reader
    std::thread thread_;
};

}  // namespace winport::detail
