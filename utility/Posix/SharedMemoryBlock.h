#pragma once
// A block of memory that two processes share: an anonymous memory file
// (memfd) mapped read/write. One process creates the block and hands its
// descriptor to a child (StartProcess, inherited descriptors); the child
// maps the same memory with Adopt. The block unmaps and closes the
// descriptor when it ends.

#include <cstddef>

class CSharedMemoryBlock {
public:
    CSharedMemoryBlock() = default;
    ~CSharedMemoryBlock();
    CSharedMemoryBlock(const CSharedMemoryBlock&) = delete;
    CSharedMemoryBlock& operator=(const CSharedMemoryBlock&) = delete;

    // A new zeroed block of size bytes (its descriptor close-on-exec);
    // false with the last error when it cannot be made.
    bool Create(size_t size);
    // Maps size bytes of an inherited block's descriptor, which the block
    // then owns; false with the last error (the descriptor stays open).
    bool Adopt(int fd, size_t size);
    // Unmaps and closes; false when either fails (nothing is kept).
    bool Close();

    void* Data() const { return m_data; }
    size_t Size() const { return m_size; }
    // -1 when none is held.
    int Descriptor() const { return m_fd; }

private:
    bool Map(int fd, size_t size);

    int m_fd = -1;
    void* m_data = nullptr;
    size_t m_size = 0;
};
