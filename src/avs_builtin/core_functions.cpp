// Import, the plugin loaders (accepted and ignored: every filter is built in), version
// and clip-property functions.
#include "avs_builtin/clip.h"
#include "avs_builtin/function_table.h"
#include "avs_builtin/script_engine.h"

namespace bv::builtin {

namespace {

// Import(file, ...): evaluates each script in turn; the value is the last one's.
Value Import(const Args& a, CallContext& ctx) {
    Value result;
    for (const Value& file : a.rest())
        result = ctx.environment.ImportFile(file.asString());
    return result;
}

Value Nothing(const Args&, CallContext&) {
    return Value();
}
Value FirstArgument(const Args& a, CallContext&) {
    return a[0];
}
Value MemoryMax(const Args&, CallContext&) {
    return Value::Int(1024);
}

Value VersionString(const Args&, CallContext&) {
    return Value::String("Brevanta built-in frame server 1.0");
}
Value VersionNumber(const Args&, CallContext&) {
    return Value::Float(2.60);
}

const VideoInfo& InfoOf(const Args& a) {
    return a.ClipAt(0)->info();
}
Value Width(const Args& a, CallContext&) {
    return Value::Int(InfoOf(a).width);
}
Value Height(const Args& a, CallContext&) {
    return Value::Int(InfoOf(a).height);
}
Value FrameCount(const Args& a, CallContext&) {
    return Value::Int(InfoOf(a).frameCount);
}
Value FrameRate(const Args& a, CallContext&) {
    return Value::Float(static_cast<double>(InfoOf(a).fpsNumerator) / InfoOf(a).fpsDenominator);
}
Value FrameRateNumerator(const Args& a, CallContext&) {
    return Value::Int(static_cast<int>(InfoOf(a).fpsNumerator));
}
Value FrameRateDenominator(const Args& a, CallContext&) {
    return Value::Int(static_cast<int>(InfoOf(a).fpsDenominator));
}
Value PixelType(const Args& a, CallContext&) {
    return Value::String(PixelFormatName(InfoOf(a).format));
}
Value IsYUY2(const Args& a, CallContext&) {
    return Value::Bool(InfoOf(a).format == PixelFormat::YUY2);
}
Value IsYV12(const Args& a, CallContext&) {
    return Value::Bool(Is420Of8Bits(InfoOf(a).format));
}
Value IsPlanarClip(const Args& a, CallContext&) {
    return Value::Bool(IsPlanar(InfoOf(a).format) || IsGrey(InfoOf(a).format));
}
Value IsY(const Args& a, CallContext&) {
    return Value::Bool(IsGrey(InfoOf(a).format));
}
// IsYV16, IsYV24, IsYV411, IsY8: the 8-bit format of that name.
template <PixelFormat F>
Value IsFormat(const Args& a, CallContext&) {
    return Value::Bool(InfoOf(a).format == F);
}
Value BitsPerComponent(const Args& a, CallContext&) {
    return Value::Int(BitDepth(InfoOf(a).format));
}
Value IsRGB(const Args& a, CallContext&) {
    return Value::Bool(IsRgb(InfoOf(a).format));
}
Value IsRGB24(const Args& a, CallContext&) {
    return Value::Bool(InfoOf(a).format == PixelFormat::RGB24);
}
Value IsRGB32(const Args& a, CallContext&) {
    return Value::Bool(InfoOf(a).format == PixelFormat::RGB32);
}
Value IsYUV(const Args& a, CallContext&) {
    return Value::Bool(!IsRgb(InfoOf(a).format));
}

} // namespace

void RegisterCoreFunctions(FunctionTable& t) {
    t.Add("Import", "s+[utf8]b", Import);
    for (const char* loader : {"LoadPlugin", "LoadCPlugin", "Load_Stdcall_Plugin", "LoadVirtualdubPlugin"})
        t.Add(loader, "s+", Nothing);
    t.Add("SetMemoryMax", "[]i", MemoryMax);
    t.Add("SetMTMode", "[]i[]i", Nothing);
    t.Add("SetFilterMTMode", "s[]i[]b", Nothing);
    t.Add("Prefetch", "c[]i[]i", FirstArgument);
    t.Add("VersionString", "", VersionString);
    t.Add("VersionNumber", "", VersionNumber);
    t.Add("Width", "c", Width);
    t.Add("Height", "c", Height);
    t.Add("FrameCount", "c", FrameCount);
    t.Add("FrameRate", "c", FrameRate);
    t.Add("FrameRateNumerator", "c", FrameRateNumerator);
    t.Add("FrameRateDenominator", "c", FrameRateDenominator);
    t.Add("PixelType", "c", PixelType);
    t.Add("IsYUY2", "c", IsYUY2);
    t.Add("IsYV12", "c", IsYV12);
    t.Add("IsYV16", "c", IsFormat<PixelFormat::YV16>);
    t.Add("IsYV24", "c", IsFormat<PixelFormat::YV24>);
    t.Add("IsYV411", "c", IsFormat<PixelFormat::YV411>);
    t.Add("IsY8", "c", IsFormat<PixelFormat::Y8>);
    t.Add("IsY", "c", IsY);
    t.Add("IsPlanar", "c", IsPlanarClip);
    t.Add("BitsPerComponent", "c", BitsPerComponent);
    t.Add("IsRGB", "c", IsRGB);
    t.Add("IsRGB24", "c", IsRGB24);
    t.Add("IsRGB32", "c", IsRGB32);
    t.Add("IsYUV", "c", IsYUV);
}

} // namespace bv::builtin
