// The pictures of the stand-in data set, one function per file, each a pure
// function returning the picture upright (top row first). The file writer
// turns them into TGA (bottom row first, so they appear upright) or JPEG
// (stored upside down, because the show maps a JPEG's first row to t = 0).
#pragma once

#include "tools/standin/standin_paint.h"

namespace velkor {

// Scene 0: terrain and drift materials (tileable, 256 x 256).
StandinImage PaintMeadowTexture();
StandinImage PaintRockTexture();
StandinImage PaintSnowTexture();
StandinImage PaintPetalTexture();

// Scene 1: three photographs and the opening bird picture (512 x 512, 4:3 content).
StandinImage PaintFieldPhoto();
StandinImage PaintLakePhoto();
StandinImage PaintMountainPhoto();
StandinImage PaintBirdPicture();

// Scene 2: sprite materials, the frame overlay and its mask, the poem strip.
StandinImage PaintGlowSprite();
StandinImage PaintSparkSprite();
StandinImage PaintFrameOverlay();
StandinImage PaintFrameOverlayMask();
StandinImage PaintPoemStrip();

// Scene 3: mesh materials, the translucent glass and its alpha, the glow
// sprite (red = alpha), the figure picture and its mask.
StandinImage PaintMarbleTexture();
StandinImage PaintBronzeTexture();
StandinImage PaintSlateTexture();
StandinImage PaintGlassTexture();
StandinImage PaintGlassAlpha();
StandinImage PaintGoldGlow();
StandinImage PaintFigurePicture();
StandinImage PaintFigureMask();

// Scene 4: tunnel materials (tileable) and four pond illustrations.
StandinImage PaintCausticTexture();
StandinImage PaintRippleTexture();
StandinImage PaintPondPicture();
StandinImage PaintFrogMoonPicture();
StandinImage PaintFrogFacePicture();
StandinImage PaintFirefliesPicture();

// Scene 5: background, the photo column and the tumbling frame.
StandinImage PaintHoneycombBackground();
StandinImage PaintBeachPhoto();
StandinImage PaintPoppyPhoto();
StandinImage PaintSunrisePhoto();
StandinImage PaintForestPhoto();
StandinImage PaintAuroraPhoto();
StandinImage PaintFrameMask();
StandinImage PaintSunflowerFrame();
StandinImage PaintLavenderFrame();
StandinImage PaintSailFrame();
StandinImage PaintMoonFrame();

// Lines of text drawn with the bitmap font into a width x height coverage
// field (0..1, top row first): each line centred, dotSize pixels per font dot,
// lineStep pixels from one baseline to the next, the first line's top at top.
std::vector<double> TextCoverage(const char* const* lines, int lineCount, int width, int height, int dotSize,
                                 int lineStep, int top);

// The picture flipped top to bottom.
StandinImage FlipRows(const StandinImage& image);

}  // namespace velkor
