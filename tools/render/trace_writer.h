// quillmark-render --trace FILE: one JSON object per frame (JSON Lines) with the simulation's
// state after the frame's composition, for regression checks and artwork authors.
#pragma once
#include "render/vec3.h"

#include <cstdio>
#include <string>

namespace qm {

// A JSON object built field by field on one line; numbers in a fixed, locale-free format.
class JsonLine {
public:
    virtual ~JsonLine() = default;

    void field(const char* name, int value);
    void field(const char* name, double value);
    void field(const char* name, bool value);
    void field(const char* name, Vec3 value);
    // Nested objects and arrays: open, fields or items, close.
    void beginObject(const char* name = nullptr) { openNested(name, '{'); }
    void endObject() { closeNested('}'); }
    void beginArray(const char* name) { openNested(name, '['); }
    void endArray() { closeNested(']'); }
    const std::string& text() const { return text_; }

private:
    void key(const char* name);
    void openNested(const char* name, char bracket);
    void closeNested(char bracket);
    std::string text_ = "{";
    bool first_ = true;
};

// The whole line of one frame: "frame", "followed", "cars" and the other subsystems' fields.
std::string traceLine(int frame);

class TraceWriter {
public:
    virtual ~TraceWriter();
    bool open(const std::string& path);
    bool write(int frame);
    void close();

private:
    std::FILE* file_ = nullptr;
};

} // namespace qm
