#pragma once

#include <QOpenGLBuffer>

#include <cstddef>
#include <optional>

// A buffer object of vertex data that is rewritten at every edit. Its storage is replaced only
// when the size of the content changes, so refilling it with as many vertices as before, as a
// drag does, allocates nothing.
class VertexBuffer
{
public:
    // Binds the buffer, with storage of exactly `bytes`, and maps it for writing. Returns
    // nullptr when `bytes` is 0 or no storage could be had.
    float *map(std::size_t bytes);
    // Ends the writing begun by map(); false when nothing was mapped or the content was lost,
    // so there is nothing to draw.
    bool unmap();
    // Binds the buffer for drawing; false when it was never filled in this context.
    bool bind();
    // Copies `bytes` of the content from byte `offset` to `out`; false where it cannot.
    bool read(std::size_t offset, void *out, std::size_t bytes);
    static void release();
    // Deletes the buffer object; the widget's context must be current.
    void destroy();
    // How often storage was allocated since the buffer was made.
    int allocations() const { return allocationCount; }

private:
    QOpenGLBuffer buffer{QOpenGLBuffer::VertexBuffer};
    // The size of the storage, once there is some.
    std::optional<std::size_t> storedBytes;
    int allocationCount = 0;
    bool mapped = false;
};
