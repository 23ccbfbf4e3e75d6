#include "cars/car.h"
#include "assets/asset_stream.h"
#include "assets/body_mesh.h"
#include "cars/car_resources.h"

#include <cstdio>

namespace qm {
namespace {

constexpr const char* LIVERY_MEMBERS[LIVERY_COUNT] = {"vcl\\f.txt",    "vcl\\b.txt",
                                                      "vcl\\green.txt", "vcl\\blue.txt",
                                                      "vcl\\orange.txt", "vcl\\yellow.txt"};
constexpr uint32_t LINE_CAPACITY = 256;

// One "keyword value" line; false when the stream has no line or the pattern does not match.
bool readNumberLine(AssetStream& stream, const char* pattern, int& value)
{
    char line[LINE_CAPACITY] = {};
    if (!stream.readLine(line, LINE_CAPACITY)) return false;
    return std::sscanf(line, pattern, &value) == 1;
}

bool readNameLine(AssetStream& stream, const char* pattern, char (&name)[LINE_CAPACITY])
{
    char line[LINE_CAPACITY] = {};
    name[0] = '\0';
    if (!stream.readLine(line, LINE_CAPACITY)) return false;
    return std::sscanf(line, pattern, name) == 1;  // %255s: never longer than the buffer
}

int32_t theFollowedSectionCount = 0;

} // namespace

Car::Car()
{
    // A car that never moved yet stands at the origin, facing +Y, rather than on garbage.
    frame.position = frame.tangent = Vec3(0, 0, 0);
    frame.right = Vec3(1, 0, 0);
    frame.forward = Vec3(0, 1, 0);
    frame.up = Vec3(0, 0, 1);
    frame.steer = 0.0f;
    wheelPositions.reserve(4);
}

void Car::loadLivery(const char* memberName)
{
    engine.loadSamples();
    AssetStream stream;
    stream.fetch(memberName);

    int body = 0;
    if (!readNumberLine(stream, "bodymesh %d", body) || body < 0 || body >= BODY_COUNT) body = 0;
    bodyNumber = body;
    bodyList = bodyMeshes()[body];
    reflectionList = reflectionMeshes()[body];
    const WheelLayout& layout = wheelLayoutFor(body);
    wheelPositions.assign(layout.begin(), layout.end());

    char name[LINE_CAPACITY];
    if (readNameLine(stream, "texture %255s", name)) bodyTexture.load(name);
    if (readNameLine(stream, "helmet %255s", name)) helmetTexture.load(name);
    if (readNameLine(stream, "shadow %255s", name)) {
        BodyMesh shadow;
        shadow.load(name, false);
        shadowList = shadow.displayList;
    }
    helmetOffset = helmetOffsetFor(body);
    stream.release();
}

std::array<Car, CAR_COUNT>& cars()
{
    static std::array<Car, CAR_COUNT> table;
    return table;
}

int32_t& followedSectionCount()
{
    return theFollowedSectionCount;
}

void resetCars()
{
    for (Car& car : cars()) car = Car();
    theFollowedSectionCount = 0;
}

const char* liveryMemberFor(int carIndex)
{
    return LIVERY_MEMBERS[((carIndex % LIVERY_COUNT) + LIVERY_COUNT) % LIVERY_COUNT];
}

void loadLiveries()
{
    for (int i = 0; i < CAR_COUNT; ++i) cars()[size_t(i)].loadLivery(liveryMemberFor(i));
}

} // namespace qm
