// The source filters scripts use to open video files. Whatever plugin a template names,
// the file is decoded through FFMS2; arguments of the real plugins that have no meaning
// here are accepted and ignored.
#include "avs_builtin/ffms_source.h"
#include "avs_builtin/function_table.h"
#include "avs_builtin/script_engine.h"
#include "avs_builtin/script_error.h"
#include "avs_builtin/splice.h"

#include <cstring>
#include <strings.h>
#include <sys/stat.h>

namespace bv::builtin {

namespace {

bool EndsWithNoCase(const std::string& s, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, suffix) == 0;
}

Value Open(CallContext& ctx, FfmsSourceOptions o) {
    if (o.path.empty())
        throw ScriptError(ctx.name + ": No source specified");
    o.function = ctx.name;
    o.path = ctx.environment.ResolvePath(o.path);
    // Only regular files: a device or pipe would keep the indexer reading forever.
    struct stat st {};
    if (!ctx.environment.options().fileAccess || ::stat(o.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        throw ScriptError(ctx.name + ": Can't open '" + o.path + "'");
    return Value::FromClip(std::make_shared<FfmsSource>(o));
}

// A pixel_type/format argument: one of the server's formats, or "" to keep the file's own.
std::string FormatArgument(const std::string& value) {
    static const std::pair<const char*, const char*> kAliases[] = {
        {"YUV420P8", "I420"}, {"YUV422P8", "YV16"}, {"YUV444P8", "YV24"}, {"ARGB", "RGB32"}, {"FULL", ""}, {"AUTO", ""}};
    for (const auto& [from, to] : kAliases)
        if (strcasecmp(value.c_str(), from) == 0)
            return to;
    return value;
}

// Where FFMS2's two source functions keep the arguments that matter here; the rest are
// accepted and ignored (cachefile: no index goes beside the video).
struct FfmsArgumentPositions {
    int cache, fpsNumerator, fpsDenominator, threads, width, height, resizer, colorspace;
};

Value OpenWithFfmsArguments(const Args& a, CallContext& ctx, const FfmsArgumentPositions& at) {
    FfmsSourceOptions o;
    o.path = a.StringOr(0, "");
    o.track = a.IntOr(1, -1);
    o.cache = a.BoolOr(at.cache, true);
    o.fpsNumerator = a.IntOr(at.fpsNumerator, -1);
    o.fpsDenominator = a.IntOr(at.fpsDenominator, 1);
    o.threads = a.IntOr(at.threads, -1);
    o.width = a.IntOr(at.width, -1);
    o.height = a.IntOr(at.height, -1);
    o.resizer = a.StringOr(at.resizer, "");
    o.colorspace = a.StringOr(at.colorspace, "");
    return Open(ctx, o);
}

// FFVideoSource(source, track, cache, cachefile, fpsnum, fpsden, threads, timecodes, seekmode,
//               rffmode, width, height, resizer, colorspace, varprefix)
Value FFVideoSource(const Args& a, CallContext& ctx) {
    return OpenWithFfmsArguments(a, ctx, {2, 4, 5, 6, 10, 11, 12, 13});
}

// FFmpegSource2(source, vtrack, atrack, cache, cachefile, fpsnum, fpsden, threads, timecodes,
//               seekmode, overwrite, width, height, resizer, colorspace, rffmode, adjustdelay,
//               utf8, varprefix): the video part only.
Value FFmpegSource2(const Args& a, CallContext& ctx) {
    return OpenWithFfmsArguments(a, ctx, {3, 5, 6, 7, 11, 12, 13, 14});
}

// The L-SMASH and BestSource plugins take 0 for "their own choice" where FFMS2 takes -1.
int PositiveOrDefault(const Args& a, int position) {
    const int value = a.IntOr(position, 0);
    return value > 0 ? value : -1;
}

// LWLibavVideoSource(source, stream_index, threads, cache, cachefile, seek_mode, seek_threshold,
//                    dr, fpsnum, fpsden, variable, format, decoder, ...)
Value LWLibavVideoSource(const Args& a, CallContext& ctx) {
    FfmsSourceOptions o;
    o.path = a.StringOr(0, "");
    o.track = a.IntOr(1, -1);
    o.threads = PositiveOrDefault(a, 2);
    o.cache = a.BoolOr(3, true);
    o.fpsNumerator = PositiveOrDefault(a, 8);
    o.fpsDenominator = a.IntOr(9, 1);
    o.colorspace = FormatArgument(a.StringOr(11, ""));
    return Open(ctx, o);
}

// LSMASHVideoSource(source, track, threads, seek_mode, seek_threshold, dr, fpsnum, fpsden,
//                   format, decoder, ...): tracks count from 1 there, 0 means the first video.
Value LSMASHVideoSource(const Args& a, CallContext& ctx) {
    FfmsSourceOptions o;
    o.path = a.StringOr(0, "");
    o.track = a.IntOr(1, 0) > 0 ? a.IntOr(1, 0) - 1 : -1;
    o.threads = PositiveOrDefault(a, 2);
    o.fpsNumerator = PositiveOrDefault(a, 6);
    o.fpsDenominator = a.IntOr(7, 1);
    o.colorspace = FormatArgument(a.StringOr(8, ""));
    return Open(ctx, o);
}

// BSVideoSource(source, track, variableformat, fpsnum, fpsden, rff, threads, ...)
Value BSVideoSource(const Args& a, CallContext& ctx) {
    FfmsSourceOptions o;
    o.path = a.StringOr(0, "");
    o.track = a.IntOr(1, -1);
    o.fpsNumerator = a.IntOr(3, -1);
    o.fpsDenominator = a.IntOr(4, 1);
    o.threads = PositiveOrDefault(a, 6);
    return Open(ctx, o);
}

// DirectShowSource(filename, fps, seek, audio, video, convertfps, seekzero, timeout,
//                  pixel_type, framecount, logfile, logmask)
Value DirectShowSource(const Args& a, CallContext& ctx) {
    FfmsSourceOptions o;
    o.path = a.StringOr(0, "");
    o.colorspace = FormatArgument(a.StringOr(8, ""));
    return Open(ctx, o);
}

// AviSource(filename, ..., audio, pixel_type, fourCC, vtrack, atrack, utf8). Several files
// are joined. A script given to it is evaluated, as Windows' AVI layer would.
Value AviSource(const Args& a, CallContext& ctx) {
    std::vector<std::string> files{a.StringOr(0, "")};
    for (const Value& v : a.rest())
        files.push_back(v.asString());
    ClipPtr result;
    for (const std::string& file : files) {
        Value v;
        if (EndsWithNoCase(file, ".avs")) {
            v = ctx.environment.ImportFile(file);
            if (!v.isClip())
                throw ScriptError(ctx.name + ": the script's return value was not a video clip");
        } else {
            FfmsSourceOptions o;
            o.path = file;
            o.colorspace = FormatArgument(a.StringOr(2, ""));
            v = Open(ctx, o);
        }
        result = result ? MakeSplice(result, v.asClip()) : v.asClip();
    }
    return Value::FromClip(result);
}

} // namespace

void RegisterSourceFunctions(FunctionTable& t) {
    t.Add("FFVideoSource",
          "[source]s[track]i[cache]b[cachefile]s[fpsnum]i[fpsden]i[threads]i[timecodes]s[seekmode]i[rffmode]i"
          "[width]i[height]i[resizer]s[colorspace]s[varprefix]s",
          FFVideoSource);
    t.Add("FFmpegSource2",
          "[source]s[vtrack]i[atrack]i[cache]b[cachefile]s[fpsnum]i[fpsden]i[threads]i[timecodes]s[seekmode]i"
          "[overwrite]b[width]i[height]i[resizer]s[colorspace]s[rffmode]i[adjustdelay]i[utf8]b[varprefix]s",
          FFmpegSource2);
    t.Add("LWLibavVideoSource",
          "[source]s[stream_index]i[threads]i[cache]b[cachefile]s[seek_mode]i[seek_threshold]i[dr]b[fpsnum]i"
          "[fpsden]i[variable]b[format]s[decoder]s[prefer_hw]i[repeat]b[dominance]i[ff_loglevel]i[cachedir]s"
          "[indexingpr]b",
          LWLibavVideoSource);
    t.Add("LSMASHVideoSource",
          "[source]s[track]i[threads]i[seek_mode]i[seek_threshold]i[dr]b[fpsnum]i[fpsden]i[format]s[decoder]s"
          "[prefer_hw]i[ff_loglevel]i",
          LSMASHVideoSource);
    t.Add("BSVideoSource",
          "[source]s[track]i[variableformat]i[fpsnum]i[fpsden]i[rff]b[threads]i[seekpreroll]i[enable_drefs]b"
          "[use_absolute_path]b[cachemode]i[cachepath]s[cachesize]i[hwdevice]s[extrahwframes]i[timecodes]s"
          "[start_number]i[viewid]i[showprogress]b",
          BSVideoSource);
    // Windows-only in AviSynth: scripts may use them, the C interface does not offer them,
    // exactly as AviSynth+ on Linux (so script files are opened with Import everywhere).
    t.Add(
        "DirectShowSource",
        "s[fps]f[seek]b[audio]b[video]b[convertfps]b[seekzero]b[timeout]i[pixel_type]s[framecount]i[logfile]s"
        "[logmask]i",
        DirectShowSource, true);
    for (const char* name : {"AviSource", "AviFileSource", "OpenDMLSource"})
        t.Add(name, "ss*[audio]b[pixel_type]s[fourCC]s[vtrack]i[atrack]i[utf8]b", AviSource, true);
}

} // namespace bv::builtin
