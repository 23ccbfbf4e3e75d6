#include "tools/mkdata/data_set.h"
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/corridors.h"

namespace qm {

void DataSet::add(const std::string& name, std::vector<uint8_t> bytes)
{
    members_.push_back({name, std::move(bytes)});
}

void DataSet::addText(const std::string& name, const std::string& text)
{
    add(name, std::vector<uint8_t>(text.begin(), text.end()));
}

const RarEntry* DataSet::find(const std::string& name) const
{
    for (const RarEntry& m : members_)
        if (m.name == name)
            return &m;
    return nullptr;
}

DataSet buildDataSet()
{
    DataSet set;
    SceneryCounts counts;
    addOverlayTextures(set);
    addSkyArtwork(set);
    addGroundTextures(set);
    counts.landTiles = addLandscape(set);
    addTrackMeshes(set, counts);
    addBuildings(set, counts);
    counts.treeTiles = addTrees(set);
    addTrackside(set, counts);
    addScripts(set, counts);
    addCarArtwork(set);
    addLightMap(set);
    addCorridors(set);
    addSoundArtwork(set);
    addSceneFiles(set);
    return set;
}

bool writeDataArchive(const std::string& path, std::string* error)
{
    RarWriterOptions options;
    options.solid = true;
    options.store = false;
    return writeRarArchive(path, buildDataSet().members(), options, error);
}

} // namespace qm
