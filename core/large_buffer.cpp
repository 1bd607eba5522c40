// Large buffers: an anonymous private mapping marked for transparent huge pages (MADV_HUGEPAGE),
// rounded up to whole large pages. Where the kernel leaves such pages off, or does not know the
// advice, the mapping simply has small pages.
#include "core/large_buffer.h"

#include <cstdint>
#include <new>

#include <sys/mman.h>

namespace {

constexpr std::size_t LARGE_PAGE = std::size_t{2} << 20;  // the x86-64 and arm64 huge page
constexpr std::size_t MAPPED_MIN = 2 * LARGE_PAGE;        // smaller buffers are heap blocks

std::size_t mapped_size(std::size_t size)
{
    return (size + LARGE_PAGE - 1) / LARGE_PAGE * LARGE_PAGE;
}

}  // namespace

void LargeBufferRelease::operator()(char* bytes) const
{
    if (bytes == nullptr)
        return;
    if (size >= MAPPED_MIN)
        ::munmap(bytes, mapped_size(size));
    else
        delete[] bytes;
}

LargeBuffer make_large_buffer(std::size_t size)
{
    if (size < MAPPED_MIN)
        return LargeBuffer(new char[size], LargeBufferRelease{size});
    // One large page more than asked for, so that a start on a large page's boundary can be cut out.
    const std::size_t length = mapped_size(size);
    void* mapped = ::mmap(nullptr, length + LARGE_PAGE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    auto* first = static_cast<char*>(mapped);
    const std::size_t lead = (LARGE_PAGE - reinterpret_cast<std::uintptr_t>(first) % LARGE_PAGE) % LARGE_PAGE;
    if (lead > 0)
        ::munmap(first, lead);
    ::munmap(first + lead + length, LARGE_PAGE - lead);
    char* bytes = first + lead;
    ::madvise(bytes, length, MADV_HUGEPAGE);
    return LargeBuffer(bytes, LargeBufferRelease{size});
}
