// The technique files and the two render scripts that tie meshes to techniques.
#include "tools/mkdata/artwork.h"

namespace qm {

namespace {

struct TechniqueText {
    const char* name;
    const char* text;
};

// No technique is "lighted": the scenery carries its light in vertex colours, without normals.
constexpr TechniqueText TECHNIQUES[] = {
    {"grass", "# grass: the terrain, the picture repeated every 8 units\n"
              "texture 0 grass.jpg\ntiled 64\npass 0\nend\n"},
    {"road", "# road: asphalt with its verges\ntexture 0 asphalt.jpg\npass 0\nend\n"},
    {"startline", "# startline: the chequered band across the road\ntexture 0 startline.jpg\npass 0\nend\n"},
    {"kerb", "# kerb: red and white kerbs in the bends\ntexture 0 kerb.jpg\npass 0\nend\n"},
    {"stand", "# stand: buildings; roofs are seen from below too\ntexture 0 stand.jpg\n2sided\npass 0\nend\n"},
    {"trees", "# trees: crossed cut-out quads\ntexture 0 tree.tga\nalpha test\n2sided\npass 0\nend\n"},
    {"gantry", "# gantry: the start gantry and the banner bridges\ntexture 0 gantry.jpg\n2sided\npass 0\nend\n"},
    {"shade", "# shade: shadows on the road, multiplying what is drawn under them\nmultblend\ndepth write\n"
              "pass 0\nend\n"},
};

std::string renderBlock(const std::string& technique, const std::string& lines)
{
    return "render\n{\ntechnique " + technique + "\n" + lines + "}\n";
}

std::string collectLine(const std::string& base, int count)
{
    return "collect " + base + " " + std::to_string(count) + "\n";
}

} // namespace

void addScripts(DataSet& set, const SceneryCounts& counts)
{
    for (const TechniqueText& t : TECHNIQUES)
        set.addText(techniqueMember(t.name), t.text);

    std::string buildings, overheads;
    for (const std::string& name : counts.buildings)
        buildings += "mesh " + name + " 0\n";
    for (const std::string& name : counts.overheads)
        overheads += "mesh " + name + " 0\n";
    set.addText("land.txt", "Quillmark landscape: terrain, road, kerbs, buildings\n" +
                                renderBlock("grass", collectLine("land", counts.landTiles)) +
                                renderBlock("road", collectLine("road", counts.roadSegments)) +
                                renderBlock("startline", "mesh startline 0\n") +
                                renderBlock("kerb", collectLine("kerb", counts.kerbSegments)) +
                                renderBlock("shade", collectLine("shade", counts.roadShades)) +
                                renderBlock("stand", buildings) + renderBlock("gantry", overheads) + "end\n");
    set.addText("test.txt", "Quillmark trackside: drawn after the cars\n" +
                                renderBlock("trees", collectLine("trees", counts.treeTiles) +
                                                        collectLine("poplars", counts.poplarRows)) +
                                "end\n");
}

} // namespace qm
