#pragma once

// Temporary files for the XML tests: one per test, removed when the helper goes out of scope.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

class tmpXmlTempFile_c {
public:
    explicit tmpXmlTempFile_c(const char* tag) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = ::testing::TempDir() + "vemora_" + info->test_suite_name() + "_" + info->name() +
                "_" + tag + ".xml";
        wpath_.assign(path_.begin(), path_.end());
    }
    ~tmpXmlTempFile_c() { std::remove(path_.c_str()); }

    const wchar_t* wide() const { return wpath_.c_str(); }
    const std::string& narrow() const { return path_; }

    void writeBytes(const std::string& bytes) const {
        std::ofstream(path_, std::ios::binary) << bytes;
    }
    std::string readBytes() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string path_;
    std::wstring wpath_;
};

// Replaces the 24-character time stamp of the writer's header comment by "<STAMP>", after checking
// that it is there.
inline std::string maskTimeStamp(std::string text) {
    const std::string lead = "<!--Written by stXmlSaxWriterImpl_c on ";
    const size_t at = text.find(lead);
    EXPECT_NE(at, std::string::npos) << text;
    if (at == std::string::npos) return text;
    const size_t stamp = at + lead.size();
    EXPECT_EQ(text.compare(stamp + 24, 3, "-->"), 0) << text;
    return text.replace(stamp, 24, "<STAMP>");
}
