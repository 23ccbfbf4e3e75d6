#include "tools/render/trace_writer.h"
#include "camera/camera_director.h"
#include "cars/car.h"
#include "host/scene_transition.h"
#include "world/sun_flare.h"
#include "host/run_state.h"

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

// What the camera director filmed this frame: the world values its view left, and the counters
// of the shot cycle.
void appendCamera(JsonLine& line)
{
    const CameraDirector& director = cameraDirector();
    line.field("keyframed", director.keyframed);
    line.field("scene", director.sceneIndex());
    line.field("clock", double(keyframeClock()));
    line.field("eye", director.eye);
    line.field("viewDir", director.viewDir);
    line.field("viewUp", director.viewUp);
    line.field("fov", double(director.fieldOfView));
    line.field("shotCount", int(runState().shotCount));
    line.field("shotLimit", int(runState().shotLimit));
    line.field("followedSectionCount", int(followedSectionCount()));
}

// The scene-change transition as this frame's composition left it, and the sun's fade with the
// occlusion result of this frame's draw.
void appendTransitionAndSun(JsonLine& line)
{
    const SceneTransition& transition = sceneTransition();
    line.beginObject("transition");
    line.field("effect", int(transition.effect));
    line.field("active", transition.active);
    line.field("elapsed", double(transition.elapsed));
    line.endObject();
    line.beginObject("sun");
    line.field("fade", double(sunFlare().fade));
    line.field("seen", sunFlare().sunSeen);
    line.endObject();
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

void JsonLine::openNested(const char* name, char bracket)
{
    key(name);
    text_ += bracket;
    first_ = true;
}

void JsonLine::closeNested(char bracket)
{
    text_ += bracket;
    first_ = false;
}

std::string traceLine(int frame)
{
    JsonLine line;
    line.field("frame", frame);
    line.field("followed", followedCar());
    appendCamera(line);
    appendTransitionAndSun(line);
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
