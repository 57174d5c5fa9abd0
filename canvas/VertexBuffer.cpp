#include "canvas/VertexBuffer.h"

#include <limits>

float *VertexBuffer::map(std::size_t bytes)
{
    if (!buffer.isCreated()) {
        buffer.create();
        buffer.setUsagePattern(QOpenGLBuffer::DynamicDraw);
    }
    if (!buffer.bind())
        return nullptr;
    // Qt sizes buffers in int: more than that is storage that cannot be had.
    if (bytes > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        bytes = 0;
    if (storedBytes != bytes) {
        buffer.allocate(static_cast<int>(bytes));
        storedBytes = bytes;
        ++allocationCount;
    }
    if (bytes == 0)
        return nullptr;
    auto *data = static_cast<float *>(buffer.map(QOpenGLBuffer::WriteOnly));
    mapped = data != nullptr;
    return data;
}

bool VertexBuffer::unmap()
{
    if (!mapped)
        return false;
    mapped = false;
    return buffer.unmap();
}

bool VertexBuffer::bind()
{
    return buffer.isCreated() && buffer.bind();
}

bool VertexBuffer::read(std::size_t offset, void *out, std::size_t bytes)
{
    return storedBytes && offset + bytes <= *storedBytes && bind()
           && buffer.read(static_cast<int>(offset), out, static_cast<int>(bytes));
}

void VertexBuffer::release()
{
    QOpenGLBuffer::release(QOpenGLBuffer::VertexBuffer);
}

void VertexBuffer::destroy()
{
    buffer.destroy();
    storedBytes.reset();
}
