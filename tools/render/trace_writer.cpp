#include "tools/render/trace_writer.h"
#include "cars/car.h"

#include <cmath>

namespace qm {
namespace {

std::string number(double value)
{
    if (!std::isfinite(value)) return "null";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.9g", value);
    return buffer;
}

int trackIndex(const Car& car)
{
    for (int k = 0; k < TRACK_COUNT; ++k)
        if (car.track == &tracks()[k]) return k;
    return -1;
}

int followedCar()
{
    for (int i = 0; i < CAR_COUNT; ++i)
        if (cars()[i].followed) return i;
    return -1;
}

void appendCars(JsonLine& line)
{
    line.beginArray("cars");
    for (const Car& car : cars()) {
        line.beginObject();
        line.field("track", trackIndex(car));
        line.field("section", car.section);
        line.field("fraction", double(car.fraction));
        line.field("position", car.frame.position);
        line.field("steer", double(car.frame.steer));
        line.field("visible", car.visible);
        line.field("engine", car.engine.engineValue());
        line.endObject();
    }
    line.endArray();
}

} // namespace

void JsonLine::key(const char* name)
{
    if (!first_) text_ += ',';
    first_ = false;
    if (name) {
        text_ += '"';
        text_ += name;
        text_ += "\":";
    }
}

void JsonLine::field(const char* name, int value)
{
    key(name);
    text_ += std::to_string(value);
}

void JsonLine::field(const char* name, double value)
{
    key(name);
    text_ += number(value);
}

void JsonLine::field(const char* name, bool value)
{
    key(name);
    text_ += value ? "true" : "false";
}

void JsonLine::field(const char* name, Vec3 v)
{
    key(name);
    text_ += '[' + number(v.x) + ',' + number(v.y) + ',' + number(v.z) + ']';
}

void JsonLine::beginObject(const char* name)
{
    key(name);
    text_ += '{';
    first_ = true;
}

void JsonLine::endObject()
{
    text_ += '}';
    first_ = false;
}

void JsonLine::beginArray(const char* name)
{
    key(name);
    text_ += '[';
    first_ = true;
}

void JsonLine::endArray()
{
    text_ += ']';
    first_ = false;
}

std::string traceLine(int frame)
{
    JsonLine line;
    line.field("frame", frame);
    line.field("followed", followedCar());
    appendCars(line);
    line.endObject();
    return line.text();
}

TraceWriter::~TraceWriter()
{
    close();
}

bool TraceWriter::open(const std::string& path)
{
    close();
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
}

bool TraceWriter::write(int frame)
{
    if (!file_) return true;
    const std::string line = traceLine(frame);
    return std::fputs(line.c_str(), file_) >= 0 && std::fputc('\n', file_) != EOF;
}

void TraceWriter::close()
{
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

} // namespace qm
