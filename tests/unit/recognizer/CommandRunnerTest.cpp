// The command runner: its pure pieces (interpreter choice, command line),
// its poll loop against a scripted child, and real child processes started
// through the interpreter (the helper emit.exe sits next to this test).
#include "recognizer/CommandRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/Raii.h"
#include "recognizer/TextEncoding.h"

namespace {

TEST(OsTypeFromPlatformId, Table) {
  struct Case {
    DWORD platformId;
    int osType;
  };
  for (const Case c : {Case{VER_PLATFORM_WIN32s, 1}, Case{VER_PLATFORM_WIN32_WINDOWS, 2},
                       Case{VER_PLATFORM_WIN32_NT, 3}, Case{3, 0}, Case{0xFFFFFFFF, 0}})
    EXPECT_EQ(OsTypeFromPlatformId(c.platformId), c.osType) << c.platformId;
}

TEST(InterpreterPrefix, NtFamilyGetsCmdOthersCommandCom) {
  EXPECT_EQ(InterpreterPrefix(3), "cmd.exe /c ");
  EXPECT_EQ(InterpreterPrefix(4), "cmd.exe /c ");
  for (int osType : {0, 1, 2}) EXPECT_EQ(InterpreterPrefix(osType), "command.com /c ") << osType;
  EXPECT_EQ(TextToWide(InterpreterPrefix(3), true).size(), 22u);
  EXPECT_EQ(TextToWide(InterpreterPrefix(2), true).size(), 30u);
}

TEST(CurrentOsType, ThisSystemIsOfTheNtFamily) { EXPECT_EQ(CurrentOsType(), 3); }

// A command of `units` UTF-16 units of 'a' and its terminator.
ByteBuffer WideCommand(size_t units) {
  if (units == 0) return ByteBuffer();
  return TextToWide(std::string(units, 'a'), false);
}

TEST(BuildCommandLine, ZeroBytesFillTheCommandTo520Bytes) {
  struct Case {
    const char* name;
    ByteBuffer prefix;
    size_t units;
    size_t zeroFill;
  };
  const ByteBuffer cmd = TextToWide("cmd.exe /c ", true);
  const ByteBuffer commandCom = TextToWide("command.com /c ", true);
  const Case cases[] = {
      {"short command", cmd, 3, 520 - 8},
      {"258 units: 518 bytes, 2 zero bytes follow", cmd, 258, 2},
      {"259 units: 520 bytes, nothing follows", cmd, 259, 0},
      {"260 units: 522 bytes, nothing follows", cmd, 260, 0},
      {"the fill does not count the prefix", commandCom, 3, 520 - 8},
      {"no command at all", cmd, 0, 520},
  };
  for (const auto& c : cases) {
    const ByteBuffer command = WideCommand(c.units);
    const ByteBuffer line = BuildCommandLine(c.prefix, command);
    ASSERT_EQ(line.size(), c.prefix.size() + command.size() + c.zeroFill) << c.name;
    EXPECT_EQ(ByteBuffer(line.begin(), line.begin() + c.prefix.size()), c.prefix) << c.name;
    EXPECT_EQ(ByteBuffer(line.begin() + c.prefix.size(), line.begin() + c.prefix.size() + command.size()), command)
        << c.name;
    EXPECT_EQ(ByteBuffer(line.end() - c.zeroFill, line.end()), ByteBuffer(c.zeroFill, 0)) << c.name;
  }
}

// A child scripted pass by pass: what arrives in the pipe at each peek, when
// it ends, what it writes as it ends. Time moves 1 ms per pause.
struct ScriptedChild {
  std::vector<std::string> arrivals;  // added to the pipe at peek k
  std::string writtenAsItEnds;        // lands between an empty peek and the end
  bool ends = true;
  std::string lastWords;              // written when it is ended
  DWORD readLimit = 0xFFFFFFFF;       // most bytes one read hands back
  std::string pipe;
  size_t peeks = 0;
  int endCalls = 0;
  std::uint64_t clock = 0;

  ChildOutputSource Source() {
    ChildOutputSource s;
    s.peekWaiting = [this]() -> DWORD {
      if (peeks < arrivals.size()) pipe += arrivals[peeks];
      ++peeks;
      return static_cast<DWORD>(pipe.size());
    };
    s.read = [this](std::uint8_t* buffer, DWORD n) -> DWORD {
      DWORD got = std::min<DWORD>({n, readLimit, static_cast<DWORD>(pipe.size())});
      std::copy(pipe.begin(), pipe.begin() + got, buffer);
      pipe.erase(0, got);
      return got;
    };
    s.hasEnded = [this]() {
      if (!ends) return false;
      pipe += writtenAsItEnds;
      writtenAsItEnds.clear();
      return true;
    };
    s.endChild = [this]() {
      ++endCalls;
      pipe += lastWords;
    };
    s.nowMs = [this]() { return clock; };
    s.pause = [this]() { ++clock; };
    return s;
  }
};

std::string AsText(const ByteBuffer& b) { return std::string(b.begin(), b.end()); }

TEST(CollectChildOutput, ReadsAreJoinedInOrder) {
  ScriptedChild child;
  child.arrivals = {"one", "", "two", "three"};
  // The end is looked at only when nothing waits: "" ends the loop, and the
  // drain then finds what came after.
  EXPECT_EQ(AsText(CollectChildOutput(child.Source(), 1000)), "onetwothree");
  EXPECT_EQ(child.endCalls, 0);
}

TEST(CollectChildOutput, OutputWrittenAsTheChildEndsIsKept) {
  ScriptedChild child;
  child.arrivals = {"first "};
  child.writtenAsItEnds = "last words";
  EXPECT_EQ(AsText(CollectChildOutput(child.Source(), 1000)), "first last words");
}

TEST(CollectChildOutput, ShortReadsAddNoZeroBytes) {
  ScriptedChild child;
  child.arrivals = {"abcdefg"};
  child.readLimit = 3;
  EXPECT_EQ(AsText(CollectChildOutput(child.Source(), 1000)), "abcdefg");
}

TEST(CollectChildOutput, ChildThatWritesNothingGivesNothing) {
  ScriptedChild child;
  EXPECT_TRUE(CollectChildOutput(child.Source(), 1000).empty());
  EXPECT_EQ(child.endCalls, 0);
}

TEST(CollectChildOutput, ChildPastTheTimeOutIsEndedAndWhatItWroteKept) {
  ScriptedChild child;
  child.ends = false;
  child.arrivals.assign(50, "");
  child.arrivals[0] = "early ";
  child.arrivals[10] = "later ";
  child.lastWords = "ended";
  EXPECT_EQ(AsText(CollectChildOutput(child.Source(), 100)), "early later ended");
  EXPECT_EQ(child.endCalls, 1);
  EXPECT_GE(child.clock, 100u);
}

// Real processes. The test's own directory is the current directory, as the
// run directory is for the program, so the interpreter finds emit.exe there.
class RunCommand : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    dir.resize(dir.find_last_of(L'\\'));
    SetCurrentDirectoryW(dir.c_str());
  }
};

TEST_F(RunCommand, CommandThatWritesNothingGivesEmptyText) {
  EXPECT_TRUE(RunCommandCaptured(TextToWide("emit.exe", false)).empty());
  EXPECT_EQ(RunCommandForText("rem nothing"), "");
}

TEST_F(RunCommand, OutputComesBackWithOneZeroByteBehind) {
  const ByteBuffer out = RunCommandCaptured(TextToWide("emit.exe out:abc", false));
  EXPECT_EQ(out, ByteBuffer({'a', 'b', 'c', 0}));
  EXPECT_EQ(RunCommandForText("emit.exe out:abc"), "abc");
}

TEST_F(RunCommand, TextEndsBeforeAZeroByte) {
  const ByteBuffer out = RunCommandCaptured(TextToWide("emit.exe out:ab zero out:cd", false));
  EXPECT_EQ(out, ByteBuffer({'a', 'b', 0, 'c', 'd', 0}));
  EXPECT_EQ(RunCommandForText("emit.exe out:ab zero out:cd"), "ab");
  EXPECT_EQ(RunCommandForText("emit.exe zero out:cd"), "");
}

TEST_F(RunCommand, BurstsWithPausesArriveWholeAndInOrder) {
  EXPECT_EQ(RunCommandForText("emit.exe out:one sleep:200 out:two sleep:150 out:three sleep:100 out:four"),
            "onetwothreefour");
}

TEST_F(RunCommand, StandardErrorInterleavesWithStandardOutput) {
  EXPECT_EQ(RunCommandForText("emit.exe out:A err:B out:C sleep:50 err:D out:E"), "ABCDE");
}

TEST_F(RunCommand, SeveralMegabytesArriveWhole) {
  constexpr size_t kMiB = 1 << 20;
  const ByteBuffer out = RunCommandCaptured(TextToWide("emit.exe mega:3", false));
  ASSERT_EQ(out.size(), 3 * kMiB + 1);
  EXPECT_EQ(out.back(), 0);
  size_t wrong = 0;
  for (size_t i = 0; i < 3 * kMiB; ++i)
    if (out[i] != 'a' + (i % kMiB) % 26) ++wrong;
  EXPECT_EQ(wrong, 0u);
}

TEST_F(RunCommand, CommandTheInterpreterCannotFindGivesItsErrorText) {
  EXPECT_FALSE(RunCommandForText("snaptext_no_such_program_9f3 \"x.jpg\"").empty());
}

std::set<DWORD> PidsIn(const std::string& text) {
  std::set<DWORD> pids;
  for (size_t at = text.find("pid="); at != std::string::npos; at = text.find("pid=", at + 4))
    pids.insert(static_cast<DWORD>(std::stoul(text.substr(at + 4))));
  return pids;
}

bool ProcessIsGone(DWORD pid) {
  raii::Handle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return true;
  // Generous: only "it has ended", never how fast.
  if (WaitForSingleObject(process.Get(), 10000) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  return GetExitCodeProcess(process.Get(), &code) && code != STILL_ACTIVE;
}

TEST_F(RunCommand, NeverEndingChildIsEndedWithWhatItStartedAtTheTimeOut) {
  // emit.exe (under the interpreter) writes its id, starts another emit.exe
  // that writes its id too and ticks forever, then ticks forever itself.
  const std::string text = RunCommandForText("emit.exe pid spawn forever", 2000);
  const std::set<DWORD> pids = PidsIn(text);
  ASSERT_EQ(pids.size(), 2u) << text;
  for (DWORD pid : pids) EXPECT_TRUE(ProcessIsGone(pid)) << pid;
  EXPECT_NE(text.find('.'), std::string::npos) << "what it wrote before the time-out is kept";
}

}  // namespace
