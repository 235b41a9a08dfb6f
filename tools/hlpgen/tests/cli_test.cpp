// Runs the hlpgen program the way the build does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

class HlpgenProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("hlpgen_cli_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WriteSource(const std::string& text) {
    std::ofstream(dir_ / "in.txt", std::ios::binary) << text;
  }

  int run(const std::string& arguments) {
    const std::string command = std::string("'") + HLPGEN_EXE + "' " + arguments + " 2>'" +
                                (dir_ / "stderr.txt").string() + "'";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int RunOnSource() {
    return run("'" + path("in.txt") + "' '" + path("out.hlp") + "' '" + path("out.cnt") + "' '" +
               path("out.hed") + "'");
  }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  std::string read(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
};

const char kSource[] =
    "@title テスト\n"
    "= 目次 {contents}\n"
    "[[ソ|second]]\n"
    "= 二つ目 {second}\n"
    "本文\n";

}  // namespace

TEST_F(HlpgenProgram, WritesTheThreeFiles) {
  WriteSource(kSource);
  ASSERT_EQ(RunOnSource(), 0) << read("stderr.txt");
  EXPECT_EQ(files(),
            (std::vector<std::string>{"in.txt", "out.cnt", "out.hed", "out.hlp", "stderr.txt"}));
  EXPECT_EQ(read("out.hlp").substr(0, 4), std::string("\x3F\x5F\x03\x00", 4));
  // テスト = 83 65 83 58 83 67, 目次 = 96 DA 8E 9F, 二つ目 = 93 F1 82 C2 96 DA
  EXPECT_EQ(read("out.cnt"),
            ":Base out.hlp\r\n"
            ":Title \x83\x65\x83\x58\x83\x67\r\n"
            "1 \x83\x65\x83\x58\x83\x67\r\n"
            "2 \x96\xDA\x8E\x9F=contents\r\n"
            "2 \x93\xF1\x82\xC2\x96\xDA=second\r\n");
  EXPECT_EQ(read("out.hed"),
            "@title \x83\x65\x83\x58\x83\x67\r\n"
            "= \x96\xDA\x8E\x9F {contents}\r\n"
            "[[\x83\x5C|second]]\r\n"
            "= \x93\xF1\x82\xC2\x96\xDA {second}\r\n"
            "\x96\x7B\x95\xB6\r\n");
}

TEST_F(HlpgenProgram, MalformedSourceLeavesNoOutputs) {
  WriteSource(kSource);
  ASSERT_EQ(RunOnSource(), 0);
  WriteSource("@title テスト\n= 目次 {contents}\n[[壊れた|nowhere]]\n");
  EXPECT_EQ(RunOnSource(), 1);
  EXPECT_NE(read("stderr.txt").find("in.txt:line 3: link to unknown topic \"nowhere\""),
            std::string::npos)
      << read("stderr.txt");
  // The previous run's files go too, so a build cannot take them as current.
  EXPECT_EQ(files(), (std::vector<std::string>{"in.txt", "stderr.txt"}));
}

TEST_F(HlpgenProgram, UnwritableOutputLeavesNoOutputs) {
  WriteSource(kSource);
  EXPECT_EQ(run("'" + path("in.txt") + "' '" + path("out.hlp") + "' '" +
                path("no/such/dir/out.cnt") + "' '" + path("out.hed") + "'"),
            1);
  EXPECT_NE(read("stderr.txt").find("cannot create"), std::string::npos) << read("stderr.txt");
  EXPECT_EQ(files(), (std::vector<std::string>{"in.txt", "stderr.txt"}));
}

TEST_F(HlpgenProgram, RefusesWrongArguments) {
  EXPECT_EQ(run("'" + path("missing.txt") + "' '" + path("a") + "' '" + path("b") + "' '" +
                path("c") + "'"),
            1);
  EXPECT_NE(read("stderr.txt").find("cannot read"), std::string::npos);
  EXPECT_EQ(run("only-one"), 2);
  EXPECT_NE(read("stderr.txt").find("usage: hlpgen"), std::string::npos);
}
