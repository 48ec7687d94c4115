// The choice of SDL video driver against stand-in compositors: when SDL would
// take Wayland, when the compositor is asked, and what replaces a start-up
// that would crash.
#include "platform/sdl/video_driver.h"

#include <gtest/gtest.h>

namespace velkor {
namespace {

int probes = 0;
WaylandSeats seatsToGive;

WaylandSeats Probe() {
  ++probes;
  return seatsToGive;
}

WaylandSeats NoSeat() {
  WaylandSeats seats;
  seats.reached = true;
  return seats;
}

WaylandSeats OneSeat(bool keyboard, bool pointer) {
  WaylandSeats seats = NoSeat();
  seats.seats = 1;
  seats.keyboard = keyboard;
  seats.pointer = pointer;
  return seats;
}

VideoDriverInputs Inputs(const char* drivers, bool x11Display, int minor = 26) {
  return VideoDriverInputs{drivers, x11Display, 2, minor, 5};
}

VideoDriverChoice Choose(const VideoDriverInputs& inputs, const WaylandSeats& seats) {
  probes = 0;
  seatsToGive = seats;
  return ChooseVideoDriver(inputs, Probe);
}

TEST(SdlWouldPickWayland, WithoutAListOnlyWhereNoXServerComesFirst) {
  EXPECT_TRUE(SdlWouldPickWayland(Inputs(nullptr, false)));
  EXPECT_TRUE(SdlWouldPickWayland(Inputs("", false)));
  EXPECT_FALSE(SdlWouldPickWayland(Inputs(nullptr, true)));
  EXPECT_FALSE(SdlWouldPickWayland(Inputs("", true)));
}

TEST(SdlWouldPickWayland, ByTheFirstDriverOfTheListThatStarts) {
  EXPECT_TRUE(SdlWouldPickWayland(Inputs("wayland", true)));
  EXPECT_TRUE(SdlWouldPickWayland(Inputs("Wayland", false)));
  EXPECT_TRUE(SdlWouldPickWayland(Inputs("way", false))) << "SDL takes the start of a name";
  EXPECT_FALSE(SdlWouldPickWayland(Inputs("x11,wayland", true)));
  EXPECT_TRUE(SdlWouldPickWayland(Inputs("x11,wayland", false))) << "X11 does not start without a server";
  EXPECT_TRUE(SdlWouldPickWayland(Inputs("nonexistent,wayland", true)));
  EXPECT_FALSE(SdlWouldPickWayland(Inputs("offscreen,wayland", false)));
  EXPECT_FALSE(SdlWouldPickWayland(Inputs("dummy", false)));
  EXPECT_FALSE(SdlWouldPickWayland(Inputs("x11", false)));
  EXPECT_FALSE(SdlWouldPickWayland(Inputs("waylandx", false))) << "longer than any driver's name";
  EXPECT_FALSE(SdlWouldPickWayland(Inputs(",", false)));
}

TEST(ChooseVideoDriver, NoSeatWithAnXServerGoesToX11WithTheReason) {
  const VideoDriverChoice choice = Choose(Inputs("wayland", true), NoSeat());
  EXPECT_EQ(probes, 1);
  EXPECT_EQ(choice.driver, "x11");
  EXPECT_FALSE(choice.refused);
  EXPECT_NE(choice.note.find("no input seat"), std::string::npos) << choice.note;
  EXPECT_NE(choice.note.find("SDL 2.26.5"), std::string::npos) << choice.note;
}

TEST(ChooseVideoDriver, NoSeatAndNoXServerIsRefusedNamingTheLackAndTheSdlThatCopes) {
  for (const char* drivers : {"wayland", static_cast<const char*>(nullptr), "x11,wayland"}) {
    const VideoDriverChoice choice = Choose(Inputs(drivers, false), NoSeat());
    EXPECT_EQ(probes, 1);
    EXPECT_TRUE(choice.refused) << (drivers ? drivers : "SDL's order");
    EXPECT_EQ(choice.driver, "");
    EXPECT_NE(choice.note.find("no input seat"), std::string::npos) << choice.note;
    EXPECT_NE(choice.note.find("SDL 2.26.5"), std::string::npos) << choice.note;
    EXPECT_NE(choice.note.find("2.30"), std::string::npos) << choice.note;
  }
}

TEST(ChooseVideoDriver, ASeatEvenWithoutDevicesLeavesSdlsChoice) {
  for (const WaylandSeats& seats : {OneSeat(true, true), OneSeat(false, false), OneSeat(true, false)}) {
    const VideoDriverChoice choice = Choose(Inputs("wayland", false), seats);
    EXPECT_EQ(probes, 1);
    EXPECT_EQ(choice.driver, "");
    EXPECT_EQ(choice.note, "");
    EXPECT_FALSE(choice.refused);
  }
}

TEST(ChooseVideoDriver, NoCompositorLeavesSdlToItsNextDriver) {
  const VideoDriverChoice choice = Choose(Inputs(nullptr, false), WaylandSeats());
  EXPECT_EQ(probes, 1);
  EXPECT_FALSE(choice.refused);
  EXPECT_EQ(choice.driver, "");
}

TEST(ChooseVideoDriver, TheCompositorIsNotAskedWhereSdlCopesOrTakesAnotherDriver) {
  EXPECT_FALSE(Choose(Inputs("wayland", false, 30), NoSeat()).refused);
  EXPECT_EQ(probes, 0) << "SDL 2.30";
  EXPECT_FALSE(Choose(VideoDriverInputs{"wayland", false, 3, 0, 0}, NoSeat()).refused);
  EXPECT_EQ(probes, 0) << "SDL 3";
  EXPECT_EQ(Choose(Inputs(nullptr, true), NoSeat()).driver, "");
  EXPECT_EQ(probes, 0) << "X11 first";
  EXPECT_EQ(Choose(Inputs("offscreen", false), NoSeat()).driver, "");
  EXPECT_EQ(probes, 0) << "offscreen";
  EXPECT_TRUE(Choose(Inputs("wayland", false, 29), NoSeat()).refused) << "SDL 2.29";
}

}  // namespace
}  // namespace velkor
