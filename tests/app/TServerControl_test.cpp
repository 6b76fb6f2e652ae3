#include "app/TServerControl.h"

#include <gtest/gtest.h>

#include "base/Exceptions.h"

using namespace quillara;

TEST(TServerControl, ErrorBoxFullStopRule) {
  EXPECT_EQ(ErrorBoxText("'x' is not a valid integer value"), "'x' is not a valid integer value.");
  EXPECT_EQ(ErrorBoxText("Could not bind socket. Address and port are already in use."),
            "Could not bind socket. Address and port are already in use.");
  EXPECT_EQ(ErrorBoxText("ends with a comma,"), "ends with a comma,");
  EXPECT_EQ(ErrorBoxText("ends in a digit 7"), "ends in a digit 7.");
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(TServerControl, DottedAddressTakesTheHighByteFirst) {
  EXPECT_EQ(FormatDottedAddress(0xC0A8010A), "192.168.1.10");
  EXPECT_EQ(FormatDottedAddress(0x07000001), "7.0.0.1");
}

TEST(TServerControl, PortTextTakesTheLowSixteenBits) {
  TServerControl control;
  // 65536 * 2 + 0: the low 16 bits are 0, so the platform chooses a free port.
  control.StartOperation(u"131072");
  EXPECT_TRUE(control.Active());
  EXPECT_EQ(control.Server().DefaultPort(), 0);
  EXPECT_EQ(control.LabelSTATO(), kLabelRunning);
  control.StopOperation();
  try {
    control.StartOperation(u"70000");
  } catch (const ESocketError&) {
    // 4464 may be taken on this machine; the port chosen is what matters here
  }
  EXPECT_EQ(control.Server().DefaultPort(), 4464);
  control.StopOperation();
  EXPECT_EQ(control.LabelSTATO(), kLabelStopped);
  EXPECT_TRUE(control.PopupAvviaEnabled());
  EXPECT_FALSE(control.PopupArrestaEnabled());
  EXPECT_THROW(control.StartOperation(u""), EConvertError);
  EXPECT_FALSE(control.Active());
}
