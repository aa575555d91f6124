#include "imaging/WicProfile.h"

#include <wincodec.h>

#include "platform/Handles.h"

namespace {

// A profile larger than this is no profile we take.
constexpr UINT kMaxProfileBytes = 16u << 20;

struct ComStarted {
    bool started = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    ~ComStarted() {
        if (started) CoUninitialize();
    }
};

}  // namespace

std::vector<uint8_t> WicColourProfile(IStream* stream) {
    std::vector<uint8_t> profile;
    if (!stream) return profile;
    // A thread already in another apartment (the interface thread) has COM too.
    const ComStarted com;
    ComPtr<IStream> own;
    if (FAILED(stream->Clone(own.Receive())) || !own) return profile;
    const LARGE_INTEGER start{};
    if (FAILED(own->Seek(start, STREAM_SEEK_SET, nullptr))) return profile;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.Receive()))))
        return profile;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(factory->CreateDecoderFromStream(own.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.Receive())) ||
        FAILED(decoder->GetFrame(0, frame.Receive())))
        return profile;
    UINT count = 0;
    if (FAILED(frame->GetColorContexts(0, nullptr, &count)) || count == 0) return profile;
    ComPtr<IWICColorContext> context;
    if (FAILED(factory->CreateColorContext(context.Receive()))) return profile;
    IWICColorContext* contexts[] = {context.Get()};
    UINT got = 0;
    WICColorContextType type = WICColorContextUninitialized;
    if (FAILED(frame->GetColorContexts(1, contexts, &got)) || got == 0 || FAILED(context->GetType(&type)) ||
        type != WICColorContextProfile)
        return profile;
    UINT size = 0;
    if (FAILED(context->GetProfileBytes(0, nullptr, &size)) || size == 0 || size > kMaxProfileBytes) return profile;
    profile.resize(size);
    if (FAILED(context->GetProfileBytes(size, profile.data(), &size)) || size != profile.size()) profile.clear();
    return profile;
}
