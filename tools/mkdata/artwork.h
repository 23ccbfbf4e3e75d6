// The generators of the built-in artwork, one per kind of member; each adds its members to the set.
#pragma once
#include "tools/mkdata/data_set.h"
#include "tools/mkdata/image_codec.h"

#include <string>
#include <vector>

namespace qm {

// How many meshes each numbered series holds, for the render scripts' "collect" lines.
struct SceneryCounts {
    int landTiles = 0;
    int roadSegments = 0;
    int kerbSegments = 0;
    int treeTiles = 0;
    std::vector<std::string> buildings;   // single meshes drawn with the "stand" technique
    int poplarRows = 0;                    // roadside tree rows, drawn with the trees
    std::vector<std::string> overheads;   // gantry and bridges, drawn with the "gantry" technique
    int roadShades = 0;                    // the shadows on the road under them, drawn over the road
};

// Folders and file names exactly as the saver builds them.
inline std::string textureMember(const std::string& file) { return "textures\\" + file; }
inline std::string meshMember(const std::string& name) { return "meshes\\" + name + ".dat"; }
inline std::string techniqueMember(const std::string& name) { return "technique\\" + name; }
// base01 .. base09, then base10 on, as a "collect" line names them.
std::string seriesName(const std::string& base, int k);

// Encode and add "textures\\" + file; a failed encoding adds nothing (the tests notice).
void addJpegTexture(DataSet& set, const std::string& file, const Image& image, int quality = JPEG_QUALITY);
void addTgaTexture(DataSet& set, const std::string& file, const Image& image);

void addOverlayTextures(DataSet& set);   // load.jpg, c.jpg
void addSkyArtwork(DataSet& set);        // sky dome mesh and picture, sun and lens flare pieces
void addGroundTextures(DataSet& set);    // grass, asphalt, kerbs, start line, buildings, trees
int addLandscape(DataSet& set);          // terrain tiles with the hills; returns the tile count
void addTrackMeshes(DataSet& set, SceneryCounts& counts);  // road, kerbs, start line
void addBuildings(DataSet& set, SceneryCounts& counts);    // grandstands and the pit building
int addTrees(DataSet& set);              // tree billboards by area; returns the tile count
void addTrackside(DataSet& set, SceneryCounts& counts);   // start gantry, banner bridges, poplar rows
void addScripts(DataSet& set, const SceneryCounts& counts);  // techniques and render scripts
void addSoundArtwork(DataSet& set);      // engine loops low.ogg, med.ogg, max.ogg and music.ogg
void addCarArtwork(DataSet& set);        // car bodies, wheels, helmets, their textures, liveries
void addLightMap(DataSet& set);          // the cars' light map; needs the buildings and trees
void addRoadShade(DataSet& set, const Image& lightMap);   // shade on the road from the baked map
void addSceneFiles(DataSet& set);        // scene0.txt .. scene16.txt, the keyframed camera moves

} // namespace qm
