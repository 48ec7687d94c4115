// Mipmap chains as GLU builds them for unsigned bytes, tightly packed rows and
// no byte swapping: the scaling box filter in single-precision floats with
// GLU's order of operations, and the halving average rounded as GLU rounds it.
// The arithmetic follows GLU step for step, its quirks included: the scaler's
// left and right edge pointers also move by one pixel for every inner row, and
// its last column may weigh a pixel beyond the row (that is the next row's
// first pixel, or outside the image, where it always has weight zero and is
// read here as 0).
#include "platform/mipmap.h"

#include <algorithm>
#include <cmath>

namespace velkor {

namespace {

// The pixel bytes being filtered, read by flat byte offset as GLU reads them.
struct SourceBytes {
  const std::uint8_t* data;
  std::ptrdiff_t size;

  std::uint8_t At(std::ptrdiff_t offset) const { return offset >= 0 && offset < size ? data[offset] : 0; }
};

// A line of one pixel in either direction: pairs averaged, rounding down.
void HalveLine(const SourceBytes& in, int components, int width, int height, std::uint8_t* out) {
  const int group = components;
  const std::ptrdiff_t rowBytes = static_cast<std::ptrdiff_t>(width) * group;
  std::ptrdiff_t src = 0;
  if (height == 1) {
    for (int j = 0; j < width / 2; ++j) {
      for (int k = 0; k < components; ++k, ++src) *out++ = static_cast<std::uint8_t>((in.At(src) + in.At(src + group)) / 2);
      src += group;
    }
  } else {
    for (int j = 0; j < height / 2; ++j) {
      for (int k = 0; k < components; ++k, ++src)
        *out++ = static_cast<std::uint8_t>((in.At(src) + in.At(src + rowBytes)) / 2);
      src += rowBytes;
    }
  }
}

// Each 2 x 2 block averaged with rounding: (a + b + c + d + 2) / 4.
void HalveImage(const SourceBytes& in, int components, int width, int height, std::uint8_t* out) {
  if (width == 1 || height == 1) {
    HalveLine(in, components, width, height, out);
    return;
  }
  const int group = components;
  const std::ptrdiff_t rowBytes = static_cast<std::ptrdiff_t>(width) * group;
  std::ptrdiff_t t = 0;
  for (int i = 0; i < height / 2; ++i) {
    for (int j = 0; j < width / 2; ++j) {
      for (int k = 0; k < components; ++k, ++t)
        *out++ = static_cast<std::uint8_t>(
            (in.At(t) + in.At(t + group) + in.At(t + rowBytes) + in.At(t + rowBytes + group) + 2) / 4);
      t += group;
    }
    t += rowBytes;
  }
}

// GLU's box filter from widthIn x heightIn to widthOut x heightOut.
void ScaleImage(const SourceBytes& in, int components, int widthIn, int heightIn, int widthOut, int heightOut,
                std::uint8_t* out) {
  if (widthIn == widthOut * 2 && heightIn == heightOut * 2) {
    HalveImage(in, components, widthIn, heightIn, out);
    return;
  }
  const int group = components;
  const std::ptrdiff_t ysize = static_cast<std::ptrdiff_t>(widthIn) * group;
  const float convy = static_cast<float>(heightIn) / static_cast<float>(heightOut);
  const float convx = static_cast<float>(widthIn) / static_cast<float>(widthOut);
  const int convyInt = static_cast<int>(std::floor(static_cast<double>(convy)));
  const float convyFloat = convy - static_cast<float>(convyInt);
  const int convxInt = static_cast<int>(std::floor(static_cast<double>(convx)));
  const float convxFloat = convx - static_cast<float>(convxInt);
  const float area = convx * convy;

  int lowyInt = 0, highyInt = convyInt;
  float lowyFloat = 0.0f, highyFloat = convyFloat;
  for (int i = 0; i < heightOut; ++i) {
    if (highyInt >= heightIn) highyInt = heightIn - 1;
    int lowxInt = 0, highxInt = convxInt;
    float lowxFloat = 0.0f, highxFloat = convxFloat;
    for (int j = 0; j < widthOut; ++j) {
      float totals[4] = {0.0f, 0.0f, 0.0f, 0.0f};
      const std::ptrdiff_t xindex = static_cast<std::ptrdiff_t>(lowxInt) * group;
      // Adds the pixel at byte offset p, weighted, to every component's total.
      auto add = [&](std::ptrdiff_t p, float weight) {
        for (int k = 0; k < components; ++k) totals[k] += static_cast<float>(in.At(p + k)) * weight;
      };
      if (highyInt > lowyInt && highxInt > lowxInt) {
        float yPercent = 1.0f - lowyFloat;
        std::ptrdiff_t temp = xindex + lowyInt * ysize;
        add(temp, yPercent * (1.0f - lowxFloat));
        std::ptrdiff_t left = temp;
        for (int l = lowxInt + 1; l < highxInt; ++l) {
          temp += group;
          add(temp, yPercent);
        }
        temp += group;
        std::ptrdiff_t right = temp;
        add(temp, yPercent * highxFloat);

        yPercent = highyFloat;
        temp = xindex + highyInt * ysize;
        add(temp, yPercent * (1.0f - lowxFloat));
        for (int l = lowxInt + 1; l < highxInt; ++l) {
          temp += group;
          add(temp, yPercent);
        }
        temp += group;
        add(temp, yPercent * highxFloat);

        for (int m = lowyInt + 1; m < highyInt; ++m) {
          left += ysize;
          right += ysize;
          for (int k = 0; k < components; ++k, ++left, ++right)
            totals[k] += static_cast<float>(in.At(left)) * (1.0f - lowxFloat) +
                         static_cast<float>(in.At(right)) * highxFloat;
        }
      } else if (highyInt > lowyInt) {
        const float xPercent = highxFloat - lowxFloat;
        std::ptrdiff_t temp = xindex + lowyInt * ysize;
        add(temp, (1.0f - lowyFloat) * xPercent);
        for (int m = lowyInt + 1; m < highyInt; ++m) {
          temp += ysize;
          add(temp, xPercent);
        }
        temp += ysize;
        add(temp, xPercent * highyFloat);
      } else if (highxInt > lowxInt) {
        const float yPercent = highyFloat - lowyFloat;
        std::ptrdiff_t temp = xindex + lowyInt * ysize;
        add(temp, (1.0f - lowxFloat) * yPercent);
        for (int l = lowxInt + 1; l < highxInt; ++l) {
          temp += group;
          add(temp, yPercent);
        }
        temp += group;
        add(temp, yPercent * highxFloat);
      } else {
        add(xindex + lowyInt * ysize, (highyFloat - lowyFloat) * (highxFloat - lowxFloat));
      }

      // The pixels wholly inside the box.
      std::ptrdiff_t temp0 = xindex + group + (lowyInt + 1) * ysize;
      for (int m = lowyInt + 1; m < highyInt; ++m) {
        std::ptrdiff_t temp = temp0;
        for (int l = lowxInt + 1; l < highxInt; ++l) {
          for (int k = 0; k < components; ++k) totals[k] += static_cast<float>(in.At(temp + k));
          temp += group;
        }
        temp0 += ysize;
      }

      std::uint8_t* pixel = out + (static_cast<std::ptrdiff_t>(i) * widthOut + j) * components;
      for (int k = 0; k < components; ++k) pixel[k] = static_cast<std::uint8_t>(totals[k] / area);
      lowxInt = highxInt;
      lowxFloat = highxFloat;
      highxInt += convxInt;
      highxFloat += convxFloat;
      if (highxFloat > 1.0f) {
        highxFloat = static_cast<float>(static_cast<double>(highxFloat) - 1.0);
        ++highxInt;
      }
    }
    lowyInt = highyInt;
    lowyFloat = highyFloat;
    highyInt += convyInt;
    highyFloat += convyFloat;
    if (highyFloat > 1.0f) {
      highyFloat = static_cast<float>(static_cast<double>(highyFloat) - 1.0);
      ++highyInt;
    }
  }
}

std::vector<std::uint8_t> Halved(const std::uint8_t* pixels, std::size_t size, int components, int width,
                                 int height) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(std::max(width / 2, 1)) *
                                static_cast<std::size_t>(std::max(height / 2, 1)) * components);
  HalveImage(SourceBytes{pixels, static_cast<std::ptrdiff_t>(size)}, components, width, height, out.data());
  return out;
}

int Log2(int powerOfTwo) {
  int log = 0;
  while ((1 << log) < powerOfTwo) ++log;
  return log;
}

}  // namespace

int NearestPowerOfTwo(int n) {
  if (n <= 0) return -1;
  int power = 1;
  for (unsigned value = static_cast<unsigned>(n);; value >>= 1, power *= 2) {
    if (value == 1) return power;
    if (value == 3) return power * 4;
  }
}

int MipmapLevelCount(int width, int height) { return std::max(Log2(width), Log2(height)); }

int MipmapSide(int side, int level) { return std::max(side >> level, 1); }

MipmapChain BuildMipmapChain(const std::uint8_t* pixels, int sourceWidth, int sourceHeight, int components,
                             int width, int height, bool keepSource) {
  MipmapChain chain;
  chain.components = components;
  chain.sourceWidth = sourceWidth;
  chain.sourceHeight = sourceHeight;
  chain.width = width;
  chain.height = height;
  const std::size_t sourceSize =
      static_cast<std::size_t>(sourceWidth) * static_cast<std::size_t>(sourceHeight) * components;
  if (keepSource) chain.source.assign(pixels, pixels + sourceSize);
  const int levels = MipmapLevelCount(width, height);
  chain.levels.resize(static_cast<std::size_t>(levels) + 1);
  if (sourceWidth == width && sourceHeight == height) {
    if (levels > 0) chain.levels[1] = Halved(pixels, sourceSize, components, width, height);
  } else {
    chain.levels[0].resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * components);
    ScaleImage(SourceBytes{pixels, static_cast<std::ptrdiff_t>(sourceSize)}, components, sourceWidth, sourceHeight,
               width, height, chain.levels[0].data());
  }
  for (int level = chain.levels[0].empty() ? 2 : 1; level <= levels; ++level) {
    const std::vector<std::uint8_t>& above = chain.levels[static_cast<std::size_t>(level) - 1];
    chain.levels[static_cast<std::size_t>(level)] = Halved(above.data(), above.size(), components,
                                                           MipmapSide(width, level - 1), MipmapSide(height, level - 1));
  }
  return chain;
}

}  // namespace velkor
