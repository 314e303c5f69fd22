// libFuzzer target: a picture through the folder's fit, as a loader prepares it, held to what
// its reader declares. Built once per format (KOLO_FIT_NAME names the file). The decode must
// give a picture no larger than declared and hold no more memory than declared; the fit that
// follows no more than its own share on top. Every allocation is counted through the
// sanitizer's hooks; the fuzz build keeps every memory block in the sanitizer's heap.
#include <sanitizer/allocator_interface.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "board/BoardLayout.h"
#include "image/DibImage.h"
#include "sources/DecodeCost.h"
#include "sources/PictureFile.h"

namespace {

bool counting = false;
std::int64_t held = 0;   // bytes allocated since counting began, less those freed
std::int64_t peak = 0;

void OnMalloc(const volatile void*, std::size_t size) {
    if (!counting) return;
    held += static_cast<std::int64_t>(size);
    peak = std::max(peak, held);
}

void OnFree(const volatile void* pointer) {
    if (counting) held -= static_cast<std::int64_t>(__sanitizer_get_allocated_size(const_cast<const void*>(pointer)));
}

void StartCounting() {
    held = peak = 0;
    counting = true;
}

[[noreturn]] void Fail(const char* what, std::int64_t got, std::uint64_t declared) {
    std::fprintf(stderr, "fit fuzzer: %s: %lld beyond the declared %llu\n", what, static_cast<long long>(got),
                 static_cast<unsigned long long>(declared));
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kolo;
    const std::int32_t fitWidth = kCanvasRect.Width();
    const std::int32_t fitHeight = kCanvasRect.Height();
    const DecodeCost cost = PictureDecodeCost(data, size, KOLO_FIT_NAME, fitWidth, fitHeight);

    CDibImage picture;
    StartCounting();
    const int loaded = LoadPictureBytes(picture, data, size, KOLO_FIT_NAME, fitWidth, fitHeight);
    counting = false;
    if (!loaded || !picture.HasPicture()) return 0;
    if (!cost.Acceptable()) Fail("a picture from a refused declaration", peak, cost.peakBytes);
    if (picture.Width() > cost.width) Fail("width", picture.Width(), static_cast<std::uint64_t>(cost.width));
    if (picture.Height() > cost.height) Fail("height", picture.Height(), static_cast<std::uint64_t>(cost.height));
    if (static_cast<std::uint64_t>(peak) > cost.peakBytes) Fail("decode memory", peak, cost.peakBytes);

    const std::uint64_t fitBytes = FitBytes(cost.width, cost.height, fitWidth, fitHeight);
    StartCounting();
    picture.ResizeToFit(fitWidth, fitHeight);
    counting = false;
    if (static_cast<std::uint64_t>(peak) > fitBytes) Fail("fit memory", peak, fitBytes);
    if (picture.Width() != fitWidth || picture.Height() != fitHeight) Fail("fitted size", picture.Width(), 0);
    return 0;
}
