// The script language: syntax, values, variables and `last`, calls, and AviSynth's errors.
#include "avs_test_support.h"

#include <clocale>
#include <gtest/gtest.h>

namespace bv::builtin::test {
namespace {

class ScriptLanguage : public ::testing::Test {
protected:
    ScriptEngine env;
};

TEST_F(ScriptLanguage, LiteralsAndOperators) {
    EXPECT_EQ(Eval(env, "1 + 2 * 3").asInt(), 7);
    EXPECT_EQ(Eval(env, "(1 + 2) * 3").asInt(), 9);
    EXPECT_EQ(Eval(env, "7 / 2").asInt(), 3);
    EXPECT_EQ(Eval(env, "-7 % 3").asInt(), -1);
    EXPECT_DOUBLE_EQ(Eval(env, "7 / 2.0").asFloat(), 3.5);
    EXPECT_DOUBLE_EQ(Eval(env, ".5 + 10").asFloat(), 10.5);
    EXPECT_EQ(Eval(env, "$FF").asInt(), 255);
    EXPECT_EQ(Eval(env, "$FFFFFFFF").asInt(), -1);
    EXPECT_DOUBLE_EQ(Eval(env, "1. + 2").asFloat(), 3.0); // a trailing period makes a float
    // As AviSynth+ 3.7 tokenizes (and its syntax documentation says: no exponent notation,
    // hexadecimal only after $): 0x10 and 1e3 are a number followed by a name, and
    // statements need no line of their own.
    EXPECT_EQ(ErrorOf(env, "0x10"), "I don't know what 'x10' means.\n(/t/x.avs, line 1)");
    EXPECT_EQ(ErrorOf(env, "x = 1e3"), "I don't know what 'e3' means.\n(/t/x.avs, line 1)");
    EXPECT_EQ(Eval(env, "a = 3 b = 4 a * b").asInt(), 12);
    EXPECT_EQ(Eval(env, "2147483647 + 1").asInt(), INT32_MIN); // wraps like a 32-bit int
    // AviSynth+ builds a - b - c as a + ((-b) + (-c)), which floats can tell apart.
    EXPECT_EQ(Eval(env, "0.1 - 0.1 - 0.2").asFloat(), 0.1 + (-0.1 + -0.2));
    EXPECT_TRUE(Eval(env, "1 < 2 <= 2 && !(3 > 2 > 2)").asBool()); // chains compare neighbours
    EXPECT_EQ(Eval(env, "\"ab\" + \"cd\"").asString(), "abcd");
    EXPECT_EQ(Eval(env, "\"\"\"say \"hi\"\n\"\"\"").asString(), "say \"hi\"\n");
    // As AviSynth reads them: quotes after the closing three belong to the string; no escapes.
    EXPECT_EQ(Eval(env, "\"\"\"say \"hi\"\"\"\"").asString(), "say \"hi\"");
    EXPECT_EQ(Eval(env, "\"\"\"\"q\"\"\" + \"a\\\"").asString(), "\"qa\\");
    EXPECT_TRUE(Eval(env, "\"ABC\" == \"abc\"").asBool()); // strings compare without case
    EXPECT_TRUE(Eval(env, "yes && !false").asBool());
    EXPECT_EQ(Eval(env, "3 > 2 ? \"a\" : \"b\"").asString(), "a");
    EXPECT_TRUE(Eval(env, "1 <> 2 && 2 >= 2 && 1.5 < 2").asBool());
    EXPECT_TRUE(Eval(env, "false || true").asBool());
}

TEST_F(ScriptLanguage, NumbersIgnoreTheProcessLocale) {
    // The window sets the user's locale, where the decimal separator may be a comma.
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old != nullptr ? old : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
    const double value = Eval(env, "2.5 * 2").asFloat();
    const ClipPtr clip = EvalClip(env, "BlankClip().AssumeFPS(29.97)");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_DOUBLE_EQ(value, 5.0);
    EXPECT_EQ(clip->info().fpsNumerator, 2997u);
    EXPECT_EQ(clip->info().fpsDenominator, 100u);
}

TEST_F(ScriptLanguage, CommentsContinuationAndLineEnds) {
    const ClipPtr clip = EvalClip(env, "# leading comment\r\n"
                                       "/* block\r\n comment */ BlankClip(width=64, \\\r\n"
                                       "   height=32) [* nested [* inner *] still *]\r\n"
                                       "Trim(0, 9)\n"
                                       "\\ .Crop(0, 0, 32, 16)\n"
                                       "__END__\n"
                                       "this is not a script");
    EXPECT_EQ(clip->info().width, 32);
    EXPECT_EQ(clip->info().height, 16);
    EXPECT_EQ(clip->info().frameCount, 10);
}

TEST_F(ScriptLanguage, LastReturnAndVariables) {
    // An expression statement producing a clip becomes `last`; calls without a clip use it.
    ClipPtr clip = EvalClip(env, "BlankClip(length=50)\nTrim(10, 19)\n");
    EXPECT_EQ(clip->info().frameCount, 10);
    // Assignments do not change `last`, and the script's value is `last` after them.
    clip = EvalClip(env, "BlankClip(length=50)\na = BlankClip(length=5)\nb = 1");
    EXPECT_EQ(clip->info().frameCount, 50);
    // `return` ends the script.
    clip = EvalClip(env, "a = BlankClip(length=7)\nreturn a\nBlankClip(length=9)");
    EXPECT_EQ(clip->info().frameCount, 7);
    // A final expression's value is the script's value.
    EXPECT_EQ(Eval(env, "x = 20\nglobal y = x + 1\ny * 2").asInt(), 42);
    // Names are case-insensitive, and `last` can be named.
    EXPECT_EQ(Eval(env, "BLANKCLIP(LENGTH=3)\nLast.FRAMECOUNT").asInt(), 3);
}

TEST_F(ScriptLanguage, ArgumentsByPositionNameAndChaining) {
    ClipPtr clip = EvalClip(env, "BlankClip(12, 64, 48, \"YUY2\")");
    EXPECT_EQ(clip->info().frameCount, 12);
    EXPECT_EQ(clip->info().width, 64);
    EXPECT_EQ(clip->info().format, PixelFormat::YUY2);
    clip = EvalClip(env, "BlankClip(pixel_type=\"YV12\", height=40, width=80, length=30)");
    EXPECT_EQ(clip->info().format, PixelFormat::YV12);
    EXPECT_EQ(clip->info().width, 80);
    // Method chaining, with and without parentheses.
    clip = EvalClip(env, "BlankClip(length=30).Trim(5, 14).ConvertToYUY2.Crop(8, 0, -8, 0)");
    EXPECT_EQ(clip->info().frameCount, 10);
    EXPECT_EQ(clip->info().width, 640 - 16);
    EXPECT_EQ(clip->info().format, PixelFormat::YUY2);
    // A function named alone is called, with `last` when it needs a clip.
    clip = EvalClip(env, "ColorBars(pixel_type=\"YV12\")\nConvertToYUY2");
    EXPECT_EQ(clip->info().format, PixelFormat::YUY2);
    EXPECT_EQ(Eval(env, "VersionString").asString().empty(), false);
    // Clips join with +.
    EXPECT_EQ(EvalClip(env, "BlankClip(length=3) + BlankClip(length=4)")->info().frameCount, 7);
}

TEST_F(ScriptLanguage, LoadPluginAndOtherHousekeepingAreAccepted) {
    const ClipPtr clip = EvalClip(env, "LoadPlugin(\"/usr/lib/avisynth/libffms2.so\")\n"
                                       "SetMemoryMax(512)\n"
                                       "BlankClip(length=4).Prefetch(2)");
    EXPECT_EQ(clip->info().frameCount, 4);
}

TEST_F(ScriptLanguage, ErrorsNameFileAndLine) {
    EXPECT_EQ(ErrorOf(env, "BlankClip()\nFoo()"),
              "Script error: There is no function named 'Foo'.\n(/t/x.avs, line 2)");
    EXPECT_EQ(ErrorOf(env, "x = 1\n\nTrim(\"a\")"),
              "Script error: Invalid arguments to function 'Trim'.\n(/t/x.avs, line 3)");
    EXPECT_EQ(ErrorOf(env, "Nonsense"), "I don't know what 'Nonsense' means.\n(/t/x.avs, line 1)");
    EXPECT_EQ(ErrorOf(env, "BlankClip(\"a\" \"b\")"),
              "Script error: expected a , or )\n(/t/x.avs, line 1, column 17)");
    EXPECT_EQ(ErrorOf(env, "x = \"open"),
              "Parse error: string missing closing quotation mark\n(/t/x.avs, line 1, column 4)");
    EXPECT_EQ(ErrorOf(env, "ColorBars(width=\"a\")"),
              "Script error: the named argument \"width\" to ColorBars had the wrong type (passed 's')\n"
              "(/t/x.avs, line 1)");
    EXPECT_EQ(ErrorOf(env, "1 / 0"), "Evaluate: division by zero\n(/t/x.avs, line 1)");
    EXPECT_EQ(ErrorOf(env, "BlankClip(width=7, pixel_type=\"YUY2\")"),
              "BlankClip: YUY2 needs an even width\n(/t/x.avs, line 1)");
    // An error in a continued statement is reported on the line of the failing call.
    EXPECT_EQ(ErrorOf(env, "BlankClip() \\\n .Bar()"),
              "Script error: There is no function named 'Bar'.\n(/t/x.avs, line 2)");
    // `last` used before any clip.
    ScriptEngine fresh;
    EXPECT_EQ(ErrorOf(fresh, "Trim(0, 10)"),
              "Script error: Invalid arguments to function 'Trim'.\n(/t/x.avs, line 1)");
}

// The texts and places AviSynth+ 3.7's tokenizer, parser and evaluator give (read from its
// source): a parse error is placed at the end of the token it stopped at, counting the
// characters before that end on its line; at a line end, that line and column 0.
TEST_F(ScriptLanguage, ParseAndEvaluationErrorsAsAviSynthPlusGivesThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"Trim(0, 2\n", "Script error: expected a , or )\n(/t/x.avs, line 1, column 0)"},
        {"x = 1\n  y = (2\n", "Script error: expected `)'\n(/t/x.avs, line 2, column 0)"},
        {"x = \"\"\"open", "Parse error: string missing closing quotation marks\n(/t/x.avs, line 1, column 4)"},
        {"x = $12G4", "$ must be followed by a hexadecimal number\n(/t/x.avs, line 1, column 7)"},
        {"x = 1 ; y", "unexpected character \";\"\n(/t/x.avs, line 1, column 6)"},
        {"x = 1 /* open", "Parse error: block comment missing closing */\n(/t/x.avs, line 1, column 6)"},
        // Tokens are read as the parser reaches them: an earlier syntax error comes first, and
        // a bad token after a name in an argument list (read ahead for `=`) is placed at the name.
        {"Trim(0 2)\nx = \"open", "Script error: expected a , or )\n(/t/x.avs, line 1, column 8)"},
        {"BlankClip(x \"a", "Parse error: string missing closing quotation mark\n(/t/x.avs, line 1, column 11)"},
        {"x = 1 \\ # no", "Script error: `\\' can only appear at the beginning or end of a line\n"
                         "(/t/x.avs, line 1, column 8)"},
        {"1 = 2", "Script error: left operand of `=' must be a variable name\n(/t/x.avs, line 1, column 3)"},
        {"global 5 = 2", "Script error: `global' must be followed by a variable name\n(/t/x.avs, line 1, column 8)"},
        {"x = 7.5 % 2", "Evaluate: operands of `%' must be integers\n(/t/x.avs, line 1)"},
        {"x = \"a\" - \"b\"", "Evaluate: unary minus can only by used with numbers\n(/t/x.avs, line 1)"},
        {"x = 1 + \"b\"", "Evaluate: operands of `+' must both be numbers, strings, or clips\n(/t/x.avs, line 1)"},
        {"x = true < false", "Evaluate: operands of `<' and friends must be string or numeric\n(/t/x.avs, line 1)"},
        {"x = 1 == \"a\"", "Evaluate: operands of `==' and `!=' must be comparable\n(/t/x.avs, line 1)"},
        {"ColorBars(widht=5)", "Script error: ColorBars does not have a named argument \"widht\"\n(/t/x.avs, line 1)"},
        // A name alone is a variable, a function without arguments or one taking `last`.
        {"BlankClip()\nTrim", "I don't know what 'Trim' means.\n(/t/x.avs, line 2)"},
        // A line end inside parentheses ends the statement too; runtime errors name the line
        // the statement ends on.
        {"BlankClip(width=\"a\",\n", "Script error: syntax error\n(/t/x.avs, line 1, column 0)"},
        {"BlankClip(width=\"a\", \\\n  height=2)", "Script error: the named argument \"width\" to BlankClip had "
                                               "the wrong type (passed 's')\n(/t/x.avs, line 2)"},
    };
    for (const auto& [script, error] : cases)
        EXPECT_EQ(ErrorOf(env, script), error) << script;
}

TEST_F(ScriptLanguage, ImportEvaluatesInTheSameEnvironmentAndNamesEachLevel) {
    TempFolder dir;
    WriteFile(dir / "inner.avs", "shared = 5\nBlankClip(length=shared)\n");
    WriteFile(dir / "broken.avs", "\nNoSuchFilter()\n");
    WriteFile(dir / "outer.avs", "x = 1\nImport(\"broken.avs\")\n"); // relative to its own folder
    WriteFile(dir / "lost.avs", "Import(\"gone.avs\")\n");
    WriteFile(dir / "self.avs", "Import(\"self.avs\")\n");

    Value v = env.ImportFile(dir / "inner.avs");
    ASSERT_TRUE(v.isClip());
    EXPECT_EQ(v.asClip()->info().frameCount, 5);
    EXPECT_EQ(Eval(env, "shared").asInt(), 5);

    // Files are named as the script wrote them.
    const std::string inner =
        "Script error: There is no function named 'NoSuchFilter'.\n(broken.avs, line 2)";
    try {
        env.ImportFile(dir / "outer.avs");
        FAIL();
    } catch (const ScriptError& e) {
        EXPECT_EQ(std::string(e.what()), inner + "\n(" + (dir / "outer.avs") + ", line 2)");
    }
    try {
        env.ImportFile(dir / "missing.avs");
        FAIL();
    } catch (const ScriptError& e) {
        EXPECT_EQ(std::string(e.what()), "Import: couldn't open \"" + (dir / "missing.avs") + "\"");
    }
    EXPECT_EQ(ErrorOf(env, "Import(\"" + (dir / "lost.avs") + "\")"),
              "Import: couldn't open \"gone.avs\"\n(" + (dir / "lost.avs") + ", line 1)\n(/t/x.avs, line 1)");
    // A script importing itself ends with an error, not a crash.
    EXPECT_NE(ErrorOf(env, "Import(\"" + (dir / "self.avs") + "\")").find("too deeply"), std::string::npos);
}

TEST_F(ScriptLanguage, HostileInputIsRefusedNotObeyed) {
    EXPECT_NE(ErrorOf(env, std::string(5000, '(') + "1" + std::string(5000, ')')).find("nested too deeply"),
              std::string::npos);
    EXPECT_NE(ErrorOf(env, "x = 1" + std::string(20000, '+') + "1").find("Script error"), std::string::npos);
    std::string chain = "x = 1";
    for (int i = 0; i < 5000; ++i)
        chain += " + 1";
    EXPECT_NE(ErrorOf(env, chain).find("nested too deeply"), std::string::npos);
    std::string doubling = "s = \"xxxxxxxx\"\n";
    for (int i = 0; i < 40; ++i)
        doubling += "s = s + s\n";
    EXPECT_NE(ErrorOf(env, doubling).find("string too long"), std::string::npos);
    EXPECT_NE(ErrorOf(env, "BlankClip(width=100000, height=100000)").find("too large"), std::string::npos);
    EXPECT_NE(ErrorOf(env, "BlankClip(length=-5)").find("length"), std::string::npos);
    EXPECT_NE(ErrorOf(env, "x = 99999999999").find("out of range"), std::string::npos);
    EXPECT_EQ(Eval(env, "(-2147483647 - 1) / -1").asInt(), INT32_MIN); // no overflow trap
    EXPECT_NE(ErrorOf(env, "function f() { return 1 }").find("not supported"), std::string::npos);
}

TEST(ScriptEnvironmentInvoke, IsTheCInterfacesStrictCall) {
    ScriptEngine env;
    EXPECT_THROW(env.Invoke("NoSuchFunction", {}, {}), FunctionNotFound);
    EXPECT_THROW(env.Invoke("Trim", {Value::String("x")}, {""}), FunctionNotFound); // no implicit last
    EXPECT_TRUE(env.FunctionExists("Import"));
    EXPECT_TRUE(env.FunctionExists("ffvideosource"));
    // Windows-only openers exist for scripts but not for the C interface, as on Linux.
    EXPECT_FALSE(env.FunctionExists("AviSource"));
    EXPECT_FALSE(env.FunctionExists("DirectShowSource"));
    EXPECT_TRUE(env.ScriptFunctionExists("AviSource"));
    const Value v = env.Invoke("BlankClip", {Value::Int(8), Value::String("YUY2")}, {"length", "pixel_type"});
    ASSERT_TRUE(v.isClip());
    EXPECT_EQ(v.asClip()->info().frameCount, 8);
}

} // namespace
} // namespace bv::builtin::test
