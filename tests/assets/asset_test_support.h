// Test helpers for the loaders: a scratch folder that becomes the current directory, a data.rar
// packed there with the real archive writer, pictures written by ImageMagick, a software GL
// context, and a recorder of message boxes.
#pragma once
#include "platform/message_box.h"
#include "platform/offscreen_context.h"
#include "render/extensions.h"
#include "tools/rar_writer/rar_writer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace qm::test {

inline std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> bytesOf(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

// A fresh folder under the temporary directory, current while the object lives.
class ScratchFolder {
public:
    ScratchFolder()
    {
        char pattern[] = "/tmp/qm-assets-XXXXXX";
        path_ = mkdtemp(pattern) ? pattern : "";
        char here[PATH_MAX];
        previous_ = getcwd(here, sizeof here) ? here : "/";
        if (!path_.empty() && chdir(path_.c_str()) != 0) path_.clear();
    }
    ~ScratchFolder()
    {
        if (chdir(previous_.c_str()) != 0) return;
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
    std::string previous_;
};

// Packs the entries (stored) into data.rar in the current directory.
inline void packDataRar(const std::vector<RarEntry>& entries)
{
    RarWriterOptions options;
    options.store = true;
    std::string error;
    ASSERT_TRUE(writeRarArchive("data.rar", entries, options, &error)) << error;
}

// Runs ImageMagick's convert with the arguments (shell syntax) and returns the file it wrote.
inline std::vector<uint8_t> convertImage(const std::string& arguments, const std::string& outFile)
{
    const std::string command = "convert " + arguments + " " + outFile + " 2>/dev/null";
    if (std::system(command.c_str()) != 0) return {};
    return readFile(outFile);
}

// The raw 8-bit samples ImageMagick reads from a file, top row first ("rgb", "rgba" or "gray").
inline std::vector<uint8_t> imageMagickPixels(const std::string& file, const std::string& format)
{
    const std::string out = file + "." + format;
    const std::string command = "convert " + file + " -depth 8 " + format + ":" + out + " 2>/dev/null";
    if (std::system(command.c_str()) != 0) return {};
    return readFile(out);
}

// Mesa's software rasterizer on an offscreen surface, with the extension entry points loaded.
inline bool createSoftwareContext(platform::OffscreenContext& context, int width, int height)
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    if (!context.create(width, height)) return false;
    loadExtensions();
    return true;
}

// Collects every message box shown while it lives.
class MessageRecorder {
public:
    struct Message {
        std::string text;
        std::string caption;
    };

    MessageRecorder()
    {
        messages().clear();
        platform::setMessageBoxHook(&record);
    }
    ~MessageRecorder() { platform::setMessageBoxHook(nullptr); }

    const std::vector<Message>& shown() const { return messages(); }

private:
    static std::vector<Message>& messages()
    {
        static std::vector<Message> all;
        return all;
    }
    static void record(const char* text, const char* caption) { messages().push_back({text, caption}); }
};

// Rows of a picture in the opposite order (top-down against bottom-up).
inline std::vector<uint8_t> flipRows(const std::vector<uint8_t>& pixels, size_t rowBytes)
{
    std::vector<uint8_t> flipped(pixels.size());
    const size_t rows = rowBytes ? pixels.size() / rowBytes : 0;
    for (size_t r = 0; r < rows; ++r)
        std::copy_n(pixels.begin() + long(r * rowBytes), rowBytes,
                    flipped.begin() + long((rows - 1 - r) * rowBytes));
    return flipped;
}

} // namespace qm::test
