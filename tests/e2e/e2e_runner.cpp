// End-to-end runner: every case in tests/e2e/cases/*.cases runs the quarn binary once and
// compares its standard output, standard error and exit status exactly.
//
// A case file is a list of cases. Lines that begin with "@@ " start a section; a section's text
// is every line up to the next "@@ " line, each with its newline.
//
//   @@ case <name>              starts a case
//   @@ args <arguments>         the command line after the program name; words split on blanks,
//                               'single quotes' keep blanks; the program runs in a fresh
//                               directory that holds the case's files
//   @@ file <name>              a file written into that directory before the run
//   @@ stdin                    the text on standard input (empty when not given)
//   @@ stdout / @@ stderr       the exact expected text (empty when not given); add "noeol" to
//                               drop the newline of the section's last line
//   @@ stdout unordered         the expected lines in any order: for answer sets whose order
//                               the search chooses
//   @@ status <n>               the expected exit status (0 when not given)
//
// In an expected text "{{*}}" matches any run of characters within one line (used for the
// build date and compiler version of the banner). Lines that begin with "#" before the first
// "@@ case" are comments.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct E2E_CASE {
    std::string name;
    std::string source;  // file:line of the case, for failure messages
    std::string args;
    std::vector<std::pair<std::string, std::string>> files;
    std::string stdinText;
    std::string expectedOut;
    bool unorderedOut = false;
    std::string expectedErr;
    int expectedStatus = 0;
};

std::string readFile(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<E2E_CASE> loadCases() {
    std::vector<E2E_CASE> cases;
    std::vector<fs::path> paths;
    for (const auto &e : fs::directory_iterator(QUARN_CASES_DIR))
        if (e.path().extension() == ".cases") paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    for (const auto &p : paths) {
        std::istringstream in(readFile(p));
        std::string line;
        std::string *target = nullptr;
        bool noeol = false;
        int lineNo = 0;
        auto closeSection = [&]() {
            if (target && noeol && !target->empty() && target->back() == '\n') target->pop_back();
            target = nullptr;
            noeol = false;
        };
        while (std::getline(in, line)) {
            ++lineNo;
            bool hadNewline = !in.eof();
            if (line.rfind("@@ ", 0) == 0) {
                closeSection();
                std::string rest = line.substr(3);
                std::string word = rest.substr(0, rest.find(' '));
                std::string arg = rest.size() > word.size() ? rest.substr(word.size() + 1) : "";
                if (word == "case") {
                    cases.push_back({});
                    cases.back().name = arg;
                    cases.back().source = p.filename().string() + ":" + std::to_string(lineNo);
                    continue;
                }
                if (cases.empty()) continue;
                E2E_CASE &c = cases.back();
                if (word == "args") c.args = arg;
                else if (word == "status") c.expectedStatus = std::atoi(arg.c_str());
                else if (word == "file") { c.files.push_back({arg, ""}); target = &c.files.back().second; }
                else if (word == "stdin") target = &c.stdinText;
                else if (word == "stdout") {
                    target = &c.expectedOut;
                    noeol = arg == "noeol";
                    c.unorderedOut = arg == "unordered";
                }
                else if (word == "stderr") { target = &c.expectedErr; noeol = arg == "noeol"; }
                continue;
            }
            if (target) {
                *target += line;
                if (hadNewline) *target += '\n';
            }
        }
        closeSection();
    }
    return cases;
}

std::vector<std::string> splitArgs(const std::string &s) {
    std::vector<std::string> out;
    std::string cur;
    bool inWord = false, quoted = false;
    for (char ch : s) {
        if (quoted) {
            if (ch == '\'') quoted = false;
            else cur += ch;
        } else if (ch == '\'') {
            quoted = true;
            inWord = true;
        } else if (ch == ' ' || ch == '\t') {
            if (inWord) out.push_back(cur);
            cur.clear();
            inWord = false;
        } else {
            cur += ch;
            inWord = true;
        }
    }
    if (inWord) out.push_back(cur);
    return out;
}

// Glob match of one line where "{{*}}" stands for any run of characters.
bool lineMatches(const std::string &pattern, const std::string &text) {
    std::vector<std::string> pieces;
    size_t pos = 0;
    for (;;) {
        size_t at = pattern.find("{{*}}", pos);
        if (at == std::string::npos) { pieces.push_back(pattern.substr(pos)); break; }
        pieces.push_back(pattern.substr(pos, at - pos));
        pos = at + 5;
    }
    if (pieces.size() == 1) return pattern == text;
    if (text.compare(0, pieces.front().size(), pieces.front()) != 0) return false;
    size_t at = pieces.front().size();
    for (size_t i = 1; i + 1 < pieces.size(); ++i) {
        size_t found = text.find(pieces[i], at);
        if (found == std::string::npos) return false;
        at = found + pieces[i].size();
    }
    const std::string &last = pieces.back();
    return text.size() >= at + last.size() && text.compare(text.size() - last.size(), last.size(), last) == 0;
}

bool textMatches(const std::string &expected, const std::string &actual) {
    if (expected.find("{{*}}") == std::string::npos) return expected == actual;
    std::vector<std::string> e, a;
    std::string cur;
    auto split = [](const std::string &s, std::vector<std::string> &out) {
        size_t pos = 0;
        for (;;) {
            size_t nl = s.find('\n', pos);
            if (nl == std::string::npos) { out.push_back(s.substr(pos)); break; }
            out.push_back(s.substr(pos, nl - pos));
            pos = nl + 1;
        }
    };
    split(expected, e);
    split(actual, a);
    if (e.size() != a.size()) return false;
    for (size_t i = 0; i < e.size(); ++i)
        if (!lineMatches(e[i], a[i])) return false;
    return true;
}

// The same lines in any order.
bool sameLines(const std::string &expected, const std::string &actual) {
    auto sortedLines = [](const std::string &s) {
        std::vector<std::string> lines;
        std::istringstream in(s);
        std::string line;
        while (std::getline(in, line)) lines.push_back(line);
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    bool expectedEnds = expected.empty() || expected.back() == '\n';
    bool actualEnds = actual.empty() || actual.back() == '\n';
    return expectedEnds == actualEnds && sortedLines(expected) == sortedLines(actual);
}

// Names a case by where it stands, so that test listings stay readable.
void PrintTo(const E2E_CASE &c, std::ostream *os) { *os << c.source; }

class E2E : public ::testing::TestWithParam<E2E_CASE> {};

TEST_P(E2E, Run) {
    const E2E_CASE &c = GetParam();
    char tmpl[] = "/tmp/quarn-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    fs::path dir(tmpl);
    for (const auto &[name, text] : c.files) {
        fs::create_directories((dir / name).parent_path());
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    std::ofstream(dir / ".stdin", std::ios::binary) << c.stdinText;

    std::vector<std::string> args = splitArgs(c.args);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        int in = open(".stdin", O_RDONLY);
        int out = open(".stdout", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(".stderr", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char *> argv;
        std::string prog = "quarn";
        argv.push_back(prog.data());
        for (auto &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        alarm(120);  // a hanging run is killed and shows as a wrong status
        execv(QUARN_BINARY, argv.data());
        _exit(127);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    int status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    std::string out = readFile(dir / ".stdout");
    std::string err = readFile(dir / ".stderr");
    fs::remove_all(dir);

    SCOPED_TRACE("case '" + c.name + "' at " + c.source);
    bool outMatches = c.unorderedOut ? sameLines(c.expectedOut, out) : textMatches(c.expectedOut, out);
    EXPECT_TRUE(outMatches) << "standard output differs\n--- expected\n" << c.expectedOut << "--- actual\n" << out;
    EXPECT_TRUE(textMatches(c.expectedErr, err)) << "standard error differs\n--- expected\n"
                                                  << c.expectedErr << "--- actual\n" << err;
    EXPECT_EQ(c.expectedStatus, status);
}

std::string caseName(const ::testing::TestParamInfo<E2E_CASE> &info) {
    std::string n;
    for (char ch : info.param.name) n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return n + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Cases, E2E, ::testing::ValuesIn(loadCases()), caseName);

}  // namespace
