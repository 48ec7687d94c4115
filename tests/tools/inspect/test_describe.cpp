// inspect on TGA, JPEG and mesh files: one JSON object with the description
// or the reason for refusing, and an exit status that follows the result.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/jpeg.h"
#include "support/tool_support.h"
#include "tools/standin/image_writers.h"
#include "tools/standin/mesh_writer.h"

namespace velkor {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(InspectTest, DescribesAcceptedFilesAndSaysWhyOthersAreRefused) {
  test::TempDir dir;
  Bytes rle = EncodeTga(Bytes(4 * 3, 1), 2, 2, 24), cut = EncodeJpegRgb(Bytes(32 * 32 * 3, 50), 32, 32, 80);
  rle[2] = 10;
  cut.resize(cut.size() / 2);
  // One triangle whose material path is taken below the show's first directory, "data\".
  MeshFileDesc triangle;
  triangle.meshes.resize(1);
  MeshDesc& mesh = triangle.meshes[0];
  mesh.vertices.resize(3);
  mesh.faces.resize(1);
  mesh.faces[0].vertex[1] = 1, mesh.faces[0].vertex[2] = 2;
  mesh.meshValue = 7, mesh.materialName = "stone", mesh.bitmapPath = "C:\\maps\\rock.tga";
  MeshFileDesc badIndex = triangle;
  badIndex.meshes[0].faces[0].vertex[2] = 5;
  // The extension picks the decoder whatever its case.
  const struct { std::string path; int status; std::string json; } cases[] = {
      {dir.Write("a.TGA", EncodeTga(Bytes(100 * 60 * 4, 9), 100, 60, 32)), 0,
       "{\"format\": \"tga\", \"width\": 100, \"height\": 60, \"bitsPerPixel\": 32}\n"},
      {dir.Write("c.jpg", EncodeJpegRgb(Bytes(24 * 8 * 3, 99), 24, 8, 80)), 0,
       "{\"format\": \"jpeg\", \"width\": 24, \"height\": 8, \"channels\": 3}\n"},
      {dir.Write("g.jpg", EncodeJpegGrey(Bytes(9 * 7, 99), 9, 7, 80)), 0,
       "{\"format\": \"jpeg\", \"width\": 9, \"height\": 7, \"channels\": 1}\n"},
      {dir.Write("rle.tga", rle), 1, "{\"error\": \"TGA image type"},
      {dir.Write("cut.jpg", cut), 1, "{\"error\": \""},
      {dir.path() + "/none.jpg", 1, "{\"error\": \"cannot read file\"}"},
      {dir.Write("t.bin", BuildMeshFile(triangle)), 0,
       "{\"meshCount\": 1, \"cameraCount\": 0, \"pointCount\": 0, \"materialCount\": 1, \"extraCount\": 0, "
       "\"trackCount\": 0, \"meshes\": [{\"vertexCount\": 3, \"faceCount\": 1, \"materialIndex\": 0, "
       "\"meshValue\": 7}], \"materials\": [{\"name\": \"stone\", \"path\": \"data\\\\rock.tga\"}], "
       "\"cameras\": [], \"points\": [], \"empty\": false}\n"},
      // A damaged first tag: skipped words up to the end tag, a valid file with nothing in it.
      {dir.Write("e.bin", Bytes{1, 0, 0, 0, 200, 0, 0, 0}), 0, "{\"meshCount\": 0"},
      {dir.Write("bad.bin", BuildMeshFile(badIndex)), 1, "{\"error\": \""},
  };
  for (const auto& c : cases) {
    const test::CommandResult r = test::RunTool("inspect " + test::Quote(c.path));
    EXPECT_EQ(r.status, c.status) << c.path << "\n" << r.output;
    const bool whole = c.json.back() == '\n';
    EXPECT_EQ(r.output.substr(0, whole ? std::string::npos : c.json.size()), c.json) << c.path;
  }
  EXPECT_NE(test::RunTool("inspect " + test::Quote(dir.path() + "/e.bin")).output.find("\"empty\": true"),
            std::string::npos);
  EXPECT_EQ(test::RunTool("inspect").status, 2);
}

}  // namespace
}  // namespace velkor
