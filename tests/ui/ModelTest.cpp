// The configuration dialog's logic without any toolkit: the handlers driven
// as a user's actions would drive them, the controls' states checked after
// each, and the file each Apply writes compared key by key.
#include "DialogFixture.h"

#include <gtest/gtest.h>

using namespace tavrin;
using namespace tavrin::uitest;

namespace {

class DialogModelTest : public DialogFixture {};

} // namespace

TEST_F(DialogModelTest, AMissingFileShowsANewConfigurationAndApplyWritesItsEmptyValues)
{
    TModelUnderTest m({"Zebra ZXP Series 3", "Office laser"}, {"LPT1"});
    EXPECT_EQ(m.model.Caption, "Tavrin configuration");
    EXPECT_EQ(m.model.edtPrntFile.text, Path());
    EXPECT_EQ(m.model.Cname.items, (std::vector<std::string>{"Office laser", "Zebra ZXP Series 3"}));
    EXPECT_EQ(m.model.Cname.itemIndex, -1);
    EXPECT_FALSE(m.model.Ctype.enabled);
    EXPECT_FALSE(m.model.Cmode.enabled);
    EXPECT_FALSE(m.model.Gcommands.enabled);
    EXPECT_EQ(m.model.Height, kHeightShort);
    EXPECT_EQ(m.model.GroupTop, kTopShort);
    EXPECT_EQ(m.model.edtAnswerAdress.text, "$    ");

    m.model.BsaveClick();
    EXPECT_TRUE(m.view.messages.empty());
    EXPECT_EQ(m.view.closed, std::optional<bool>(true));
    ExpectFile({{PC, {{"PrinterName", ""}, {"PrinterType", ""}, {"PrinterMode", ""}}}, {CC, Commands("", "", "", "", "", "")}});
}

TEST_F(DialogModelTest, AFileWithoutAnInstalledPrinterLoadsAsNoPrinter)
{
    const std::string commands = "[ControlCommands]\nInsert=MS\n";
    const struct {
        const char* name;
        std::string file;
    } rows[] = {
        {"an empty file", ""},
        {"a printer no longer installed", "[PrinterConfiguration]\nPrinterName=Gone\nPrinterType=ZEBRA\nPrinterMode=USB\n" + commands},
        // An empty name skips the selection, yet the type is still cleared.
        {"an empty printer name", "[PrinterConfiguration]\nPrinterName=\nPrinterType=ZEBRA\nPrinterMode=USB\n" + commands},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WriteText(Path(), row.file);
        TModelUnderTest m({"Zebra P330i"}, {"LPT1"});
        EXPECT_EQ(m.model.Cname.itemIndex, -1);
        EXPECT_EQ(m.model.Ctype.itemIndex, -1);
        EXPECT_FALSE(m.model.Ctype.enabled);
        EXPECT_TRUE(m.model.Cmode.items.empty());
        EXPECT_FALSE(m.model.Gcommands.enabled);
        // The commands of the file are not loaded for no printer.
        EXPECT_EQ(m.model.Einsert().text, "");
    }
}

TEST_F(DialogModelTest, PrintersAreSortedWithoutRegardToCaseAndTheStoredOneFoundSo)
{
    WriteText(Path(), "[PrinterConfiguration]\nPrinterName=zebra p330I\nPrinterType=zebra\nPrinterMode=USB\n");
    TModelUnderTest m({"b printer", "Zebra P330i", "A printer", "c printer"}, {"LPT1"});
    EXPECT_EQ(m.model.Cname.items, (std::vector<std::string>{"A printer", "b printer", "c printer", "Zebra P330i"}));
    EXPECT_EQ(m.model.Cname.Text(), "Zebra P330i");
    // The type is upper-cased before it is looked for.
    EXPECT_EQ(m.model.Ctype.Text(), "ZEBRA");
    EXPECT_EQ(m.model.Cmode.Text(), "USB");
}

TEST_F(DialogModelTest, ZebraThenUsbWritesTheTypeDefaultsThoughTheCommandsAreGreyed)
{
    TModelUnderTest m({"Zebra ZXP Series 3"}, {"LPT1", "LPT2"});
    m.Pick(m.model.Cname, "Zebra ZXP Series 3");
    EXPECT_TRUE(m.model.Ctype.enabled);
    EXPECT_EQ(m.model.Ctype.items, (std::vector<std::string>{"ESCPRINTERS", "ZEBRA"}));
    EXPECT_EQ(m.model.Ctype.Text(), "ZEBRA");
    EXPECT_EQ(m.model.Cmode.items, (std::vector<std::string>{"PARALLEL", "USB"}));
    EXPECT_EQ(m.model.Cmode.Text(), "PARALLEL");
    EXPECT_EQ(m.model.Height, kHeightRow);
    EXPECT_EQ(m.model.GroupTop, kTopRow);
    EXPECT_TRUE(m.model.Port_No.visible && m.model.LPort_No.visible && m.model.chkReceive.visible);
    EXPECT_FALSE(m.model.edtAnswerAdress.visible || m.model.Ldriver.visible || m.model.Edriver.visible);
    EXPECT_FALSE(m.model.CBflip.visible || m.model.CbContact.visible || m.model.CBMagiCardAPI.visible);

    m.Pick(m.model.Cmode, "USB");
    EXPECT_EQ(m.model.Height, kHeightShort);
    EXPECT_EQ(m.model.GroupTop, kTopShort);
    EXPECT_FALSE(m.model.Port_No.visible || m.model.LPort_No.visible || m.model.chkReceive.visible);
    EXPECT_FALSE(m.model.Gcommands.enabled);

    m.model.BsaveClick();
    ExpectFile({{PC, {{"PrinterName", "Zebra ZXP Series 3"}, {"PrinterType", "ZEBRA"}, {"PrinterMode", "USB"}}},
                {CC, Commands("MS", "MS 2", "MI", "ME", "ME", "5000")}});
}

TEST_F(DialogModelTest, EscPrintersKeepWhatTheUserTypedAndWriteThePort)
{
    TModelUnderTest m({"Plain card printer"}, {"LPT1", "LPT3"});
    m.Pick(m.model.Cname, "Plain card printer");
    EXPECT_EQ(m.model.Ctype.items, (std::vector<std::string>{"CIAAT", "DATACARD", "DII", "ESCPRINTERS", "EVOLIS", "FARGO",
                                                            "MAGICARD", "VELTO", "ZEBRA"}));
    EXPECT_EQ(m.model.Ctype.Text(), "ESCPRINTERS");
    EXPECT_TRUE(m.model.Gcommands.enabled);
    m.model.Einsert().text = "IN";
    m.model.Epause().text = "250";
    m.Pick(m.model.Port_No, "LPT3");
    m.model.SetChecked(m.model.chkReceive, true);
    EXPECT_TRUE(m.model.edtAnswerAdress.visible);
    m.model.edtAnswerAdress.text = "$278 ";
    m.model.edtAnswerAdressExit();
    m.model.BsaveClick();
    ExpectFile({{PC, {{"PrinterName", "Plain card printer"}, {"PrinterType", "ESCPRINTERS"}, {"PrinterMode", "PARALLEL"}}},
                {CC, Commands("IN", "", "", "", "", "250")},
                {"Port", {{"PortNo", "3"}, {"PortAddress", "$0278"}, {"ReceiveData", "YES"}}}});
}

TEST_F(DialogModelTest, ParallelWithoutAPortChosenWritesPortOne)
{
    TModelUnderTest m({"Zebra P330i"}, {"LPT2", "LPT3"});
    m.Pick(m.model.Cname, "Zebra P330i");
    ASSERT_EQ(m.model.Cmode.Text(), "PARALLEL");
    EXPECT_EQ(m.model.Port_No.itemIndex, -1);
    m.model.BsaveClick();
    EXPECT_EQ(ReadIni(Path()).at("Port"), (Keys{{"PortNo", "1"}, {"ReceiveData", "NO"}}));
}

TEST_F(DialogModelTest, DiiToEvolisRemovesTheDiiKeysButKeepsCMDDelay)
{
    WriteText(Path(), "[PrinterConfiguration]\nPrinterName=Card desk printer\nPrinterType=DII\nPrinterMode=3\n"
                      "FlipCard=1\nContact=0\nDriverDLL=/opt/dii/libcustom.so\nCMDDelay=9000\n"
                      "[ControlCommands]\nInsert=FEED\nPause=45000\n[Port]\nPortNo=1\nReceiveData=NO\n");
    TModelUnderTest m({"Card desk printer"}, {"LPT1"});
    EXPECT_EQ(m.model.Ctype.Text(), "DII");
    EXPECT_EQ(m.model.Cmode.Text(), "3       Custom");
    EXPECT_EQ(m.model.Edriver.text, "/opt/dii/libcustom.so");
    EXPECT_TRUE(m.view.chooser.empty());
    EXPECT_TRUE(m.model.CBflip.checked && m.model.CBflip.visible);
    EXPECT_TRUE(m.model.CbContact.checked && m.model.CbContact.visible);
    EXPECT_EQ(m.model.Ldriver.caption, "Driver");
    EXPECT_TRUE(m.model.Ldriver.visible && m.model.Edriver.visible && m.model.SBdriver.visible);
    EXPECT_FALSE(m.model.Port_No.visible || m.model.PnMagicard.visible || m.model.chkReceive.visible);
    EXPECT_EQ(m.model.Height, kHeightRow);
    EXPECT_EQ(m.model.GroupTop, kTopRow);
    EXPECT_FALSE(m.model.Gcommands.enabled);

    // Applied unchanged first: the DII keys come back as they were, and a
    // CMDDelay there already is left alone.
    m.model.BsaveClick();
    ExpectFile({{PC,
                 {{"PrinterName", "Card desk printer"}, {"PrinterType", "DII"}, {"PrinterMode", "3"}, {"FlipCard", "1"},
                  {"Contact", "0"}, {"DriverDLL", "/opt/dii/libcustom.so"}, {"CMDDelay", "9000"}}},
                {CC, Commands("FEED", "", "", "", "", "45000")},
                {"Port", {{"ReceiveData", "NO"}}}});

    m.Pick(m.model.Ctype, "EVOLIS");
    EXPECT_FALSE(m.model.CBflip.visible || m.model.CbContact.visible || m.model.Edriver.visible);
    EXPECT_EQ(m.model.Cmode.Text(), "USB");
    m.model.BsaveClick();
    ExpectFile({{PC,
                 {{"PrinterName", "Card desk printer"}, {"PrinterType", "EVOLIS"}, {"PrinterMode", "USB"},
                  {"CMDDelay", "9000"}}},
                {CC, Commands("Sis", "", "Si", "Se", "Se", "5000")},
                {"Port", {{"ReceiveData", "NO"}}}});
}

TEST_F(DialogModelTest, ANewDiiConfigurationWritesCMDDelayAndContactInverted)
{
    TModelUnderTest m({"Ultra XID8300"}, {}, {"PCP23CT.DLL"});
    m.Pick(m.model.Cname, "Ultra XID8300");
    EXPECT_EQ(m.model.Ctype.Text(), "DII");
    EXPECT_EQ(m.model.Cmode.items, (std::vector<std::string>{"0       CX210", "1       DIGID XID440", "2       DII IDX380",
                                                            "3       Custom", "6       XID8300"}));
    EXPECT_EQ(m.model.Cmode.itemIndex, -1);
    m.Pick(m.model.Cmode, "6       XID8300");
    m.model.CBflip.checked = true;
    m.model.BsaveClick();
    ExpectFile({{PC,
                 {{"PrinterName", "Ultra XID8300"}, {"PrinterType", "DII"}, {"PrinterMode", "6"}, {"FlipCard", "1"},
                  {"Contact", "1"}, {"CMDDelay", "17000"}}},
                {CC, Commands("FEED", "", "RETURN", "EJECT", "EJECT", "45000")}});

    m.model.CbContact.checked = true;
    m.model.CBflip.checked = false;
    m.model.BsaveClick();
    EXPECT_EQ(ReadIni(Path()).at(PC).at("Contact"), "0");
    EXPECT_EQ(ReadIni(Path()).at(PC).at("FlipCard"), "0");
}

TEST_F(DialogModelTest, ADiiModelIsReadAsAWholeNumberAndFoundByItsDigit)
{
    WriteText(Path(), "[PrinterConfiguration]\nPrinterName=Ultra XID8300\nPrinterType=DII\nPrinterMode=$1\n"
                      "FlipCard=2\nContact=7\n");
    TModelUnderTest m({"Ultra XID8300"}, {}, {"PCP23CT.DLL"});
    EXPECT_EQ(m.model.Cmode.Text(), "1       DIGID XID440");
    EXPECT_TRUE(m.model.CBflip.checked);      // any whole number but 0
    EXPECT_FALSE(m.model.CbContact.checked);  // ticked only for 0
    EXPECT_EQ(m.model.Height, kHeightShort);
}

TEST_F(DialogModelTest, ReceiveDataYesLoadsTickedWithTheAddress)
{
    WriteText(Path(), "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=zebra\nPrinterMode=PARALLEL\n"
                      "[Port]\nPortNo=2\nReceiveData=YES\nPortAddress=$0378\n");
    TModelUnderTest m({"Zebra P330i"}, {"LPT1", "LPT2"});
    EXPECT_EQ(m.model.Port_No.Text(), "LPT2");
    EXPECT_TRUE(m.model.chkReceive.checked);
    EXPECT_TRUE(m.model.edtAnswerAdress.visible);
    EXPECT_EQ(m.model.edtAnswerAdress.text, "$0378");
    // Ticked while loading: the text is selected, the focus not asked for.
    ASSERT_TRUE(m.model.selectRequest);
    EXPECT_EQ(m.model.selectRequest->control, "edtAnswerAdress");
    EXPECT_FALSE(m.model.selectRequest->focus);

    // Unticking hides the address and Apply says NO but keeps the old
    // address in the file.
    m.model.SetChecked(m.model.chkReceive, false);
    EXPECT_FALSE(m.model.edtAnswerAdress.visible);
    m.model.BsaveClick();
    EXPECT_EQ(ReadIni(Path()).at("Port"), (Keys{{"PortNo", "2"}, {"ReceiveData", "NO"}, {"PortAddress", "$0378"}}));
}

TEST_F(DialogModelTest, ThePortIsTheFirstEntryThatContainsTheStoredNumber)
{
    WriteText(Path(), "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\nPrinterMode=PARALLEL\n"
                      "[Port]\nPortNo=0x10\n");
    TModelUnderTest m({"Zebra P330i"}, {"LPT1", "LPT10", "LPT16"});
    EXPECT_EQ(m.model.Port_No.Text(), "LPT16");
    EXPECT_FALSE(m.model.chkReceive.checked);

    WriteText(Path(), "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\nPrinterMode=PARALLEL\n");
    TTestHost reordered({"Zebra P330i"}, {"LPT10", "LPT1"});
    TModelUnderTest again(reordered);
    again.model.LoadSettings("");
    EXPECT_EQ(again.model.Port_No.Text(), "LPT10");  // "1" is found in LPT10 first
}

TEST_F(DialogModelTest, TheAnswerAddressIsTidiedWhenTheFieldIsLeftAndOnApplyWhileFocused)
{
    EXPECT_EQ(NormaliseAnswerAddress("$3 78"), "$0378");
    EXPECT_EQ(NormaliseAnswerAddress("$378 "), "$0378");
    EXPECT_EQ(NormaliseAnswerAddress("$3bc"), "$03BC");
    EXPECT_EQ(NormaliseAnswerAddress(" $ 3 "), "$0003");
    EXPECT_EQ(NormaliseAnswerAddress("$0378"), "$0378");
    EXPECT_EQ(NormaliseAnswerAddress("     "), "");
    EXPECT_EQ(NormaliseAnswerAddress("$    "), "$0000");

    TModelUnderTest m({"Zebra P330i"}, {"LPT1"});
    m.Pick(m.model.Cname, "Zebra P330i");
    m.view.onScreen = true;
    m.model.SetChecked(m.model.chkReceive, true);
    ASSERT_TRUE(m.model.selectRequest);
    EXPECT_TRUE(m.model.selectRequest->focus);
    m.model.edtAnswerAdress.text = "$3 78";
    m.model.edtAnswerAdressExit();
    EXPECT_EQ(m.model.edtAnswerAdress.text, "$0378");

    // Apply without a focus change: the field is tidied only while it has
    // the focus.
    m.model.edtAnswerAdress.text = "$2bc ";
    m.view.focused = "edtAnswerAdress";
    m.model.BsaveClick();
    EXPECT_EQ(ReadIni(Path()).at("Port").at("PortAddress"), "$02BC");
    m.model.edtAnswerAdress.text = "$2 8 ";
    m.view.focused = "Bsave";
    m.model.BsaveClick();
    EXPECT_EQ(m.host->ReadString("Port", "PortAddress", ""), "$2 8");  // as written, read without its blanks
}

TEST_F(DialogModelTest, MagicardXxlProThirdSensorGivesGem20AndSensorNo3)
{
    TModelUnderTest m({"Magicard Rio Pro"}, {"LPT1"});
    m.Pick(m.model.Cname, "Magicard Rio Pro");
    EXPECT_EQ(m.model.Ctype.Text(), "MAGICARD");
    EXPECT_EQ(m.model.Cmode.items, (std::vector<std::string>{"Standard", "XXL Pro"}));
    EXPECT_EQ(m.model.Cmode.Text(), "Standard");
    EXPECT_EQ(m.model.Einsert().text, "GEM");
    EXPECT_TRUE(m.model.CBMagiCardAPI.visible);
    EXPECT_FALSE(m.model.PnMagicard.visible || m.model.Ldriver.visible);
    EXPECT_EQ(m.model.Height, kHeightShort);

    m.Pick(m.model.Cmode, "XXL Pro");
    EXPECT_EQ(m.model.Height, kHeightSensors);
    EXPECT_EQ(m.model.GroupTop, kTopSensors);
    EXPECT_TRUE(m.model.PnMagicard.visible && m.model.Ldriver.visible);
    EXPECT_FALSE(m.model.Edriver.visible || m.model.SBdriver.visible || m.model.Port_No.visible);
    EXPECT_EQ(m.model.Ldriver.caption, "Position");
    EXPECT_EQ(m.model.Einsert().text, "GEM40");  // the first position, selected from the start

    // Each sensor button gives its Insert command.
    const char* insert[] = {"GEM40", "GEM32", "GEM20", "GEM12"};
    for (std::size_t i : {3u, 1u, 0u}) {
        m.model.radSensor1Click(i);
        EXPECT_EQ(m.model.Einsert().text, insert[i]) << m.model.radSensor[i].name;
    }
    m.model.SelectSensor(2);
    EXPECT_EQ(m.model.Einsert().text, "GEM20");
    EXPECT_TRUE(m.model.radSensor[2].checked);
    EXPECT_FALSE(m.model.radSensor[0].checked);
    // One already selected fires nothing when selected again.
    m.model.Einsert().text = "typed";
    m.model.SelectSensor(2);
    EXPECT_EQ(m.model.Einsert().text, "typed");
    m.model.Einsert().text = "GEM20";  // as the sensor gave it
    m.model.CBMagiCardAPI.checked = true;
    m.model.BsaveClick();
    ExpectFile({{PC,
                 {{"PrinterName", "Magicard Rio Pro"}, {"PrinterType", "MAGICARD"}, {"PrinterMode", "XXL Pro"},
                  {"UseDriverAPI", "1"}, {"SensorNo", "3"}}},
                {CC, Commands("GEM20", "", "", "EJT", "EJT", "")}});

    // And it comes back as it was written.
    TModelUnderTest again(*m.host);
    again.model.LoadSettings("");
    EXPECT_TRUE(again.model.radSensor[2].checked);
    EXPECT_TRUE(again.model.CBMagiCardAPI.checked);
    EXPECT_EQ(again.model.Einsert().text, "GEM20");
    EXPECT_EQ(again.model.Height, kHeightSensors);

    // Back to Standard: the position is not written, the Insert is GEM.
    again.Pick(again.model.Cmode, "Standard");
    EXPECT_EQ(again.model.Einsert().text, "GEM");
    again.model.BsaveClick();
    EXPECT_EQ(ReadIni(Path()).at(PC).count("SensorNo"), 0u);
}

TEST_F(DialogModelTest, AMagicardModeOtherThanTheTwoLeavesTheWindowAsItIs)
{
    TModelUnderTest m({"Magicard Rio Pro"}, {"LPT1"});
    m.Pick(m.model.Cname, "Magicard Rio Pro");
    m.Pick(m.model.Cmode, "XXL Pro");
    m.model.Cmode.itemIndex = -1;
    m.model.Einsert().text = "kept";
    m.model.CmodeChange();
    EXPECT_EQ(m.model.Height, kHeightSensors);
    EXPECT_EQ(m.model.GroupTop, kTopSensors);
    EXPECT_TRUE(m.model.PnMagicard.visible);
    EXPECT_EQ(m.model.Einsert().text, "kept");
}

TEST_F(DialogModelTest, DiiCustomWithAnEmptyDriverOpensTheChooserAtOnce)
{
    TModelUnderTest m({"Card XID printer"}, {"LPT1"});
    m.Pick(m.model.Cname, "Card XID printer");
    EXPECT_TRUE(m.view.chooser.empty());
    m.view.onScreen = true;
    m.Pick(m.model.Cmode, "3       Custom");
    ASSERT_EQ(m.view.chooser.size(), 1u);
    // As it was last set up: nothing yet but its title.
    EXPECT_EQ(m.view.chooser[0].title, "Select Driver-DLL");
    EXPECT_EQ(m.view.chooser[0].filterPattern, "");
    EXPECT_EQ(m.model.Edriver.text, "");  // cancelled

    m.view.chooserAnswer = "/drivers/libcx.so";
    m.model.SBdriverClick();
    ASSERT_EQ(m.view.chooser.size(), 2u);
    EXPECT_EQ(m.view.chooser[1].title, "Select Driver-DLL");
    EXPECT_EQ(m.view.chooser[1].filterName, "Driver-DLL");
    EXPECT_EQ(m.view.chooser[1].filterPattern, kDriverFilterPattern);
    EXPECT_EQ(m.view.chooser[1].initialDir, m.host->DriverDirectory());
    EXPECT_TRUE(m.view.chooser[1].fileMustExist);
    EXPECT_EQ(m.model.Edriver.text, "/drivers/libcx.so");

    // Picked again, a mode with a driver asks nothing; the chooser keeps
    // the driver button's setup for the next time it opens by itself.
    m.Pick(m.model.Cmode, "0       CX210");
    m.Pick(m.model.Cmode, "3       Custom");
    EXPECT_EQ(m.view.chooser.size(), 2u);
    m.model.Edriver.text.clear();
    m.Pick(m.model.Cmode, "3       Custom");
    ASSERT_EQ(m.view.chooser.size(), 3u);
    EXPECT_EQ(m.view.chooser[2].filterName, "Driver-DLL");
    EXPECT_EQ(m.model.Edriver.text, "/drivers/libcx.so");

    m.model.BsaveClick();
    EXPECT_EQ(ReadIni(Path()).at(PC).at("PrinterMode"), "3");
    EXPECT_EQ(ReadIni(Path()).at(PC).at("DriverDLL"), "/drivers/libcx.so");
    // A cancelled driver button leaves the field alone.
    m.view.chooserAnswer.reset();
    m.model.SBdriverClick();
    EXPECT_EQ(m.model.Edriver.text, "/drivers/libcx.so");
}

TEST_F(DialogModelTest, AStoredCustomModeWithoutDriverAsksForItWhileLoading)
{
    WriteText(Path(), "[PrinterConfiguration]\nPrinterName=Card XID printer\nPrinterType=DII\nPrinterMode=3\n");
    TTestHost host({"Card XID printer"}, {"LPT1"});
    TModelUnderTest m(host);
    m.view.chooserAnswer = "/opt/libpicked.so";
    m.model.LoadSettings("");
    ASSERT_EQ(m.view.chooserOnScreen, std::vector<bool>{false});
    EXPECT_EQ(m.model.Edriver.text, "/opt/libpicked.so");
}

TEST_F(DialogModelTest, WithoutParallelPortsNoTypeOffersParallel)
{
    TModelUnderTest m({"Zebra ZXP Series 7", "Plain card printer"}, {});
    m.Pick(m.model.Cname, "Zebra ZXP Series 7");
    EXPECT_EQ(m.model.Cmode.items, std::vector<std::string>{"USB"});
    EXPECT_EQ(m.model.Cmode.itemIndex, -1);
    EXPECT_EQ(m.model.Height, kHeightShort);
    m.Pick(m.model.Ctype, "ESCPRINTERS");
    EXPECT_EQ(m.model.Cmode.items, std::vector<std::string>{"USB"});
    EXPECT_EQ(m.model.Cmode.itemIndex, -1);
    m.Pick(m.model.Cname, "Plain card printer");
    for (const char* type : {"ESCPRINTERS", "ZEBRA", "EVOLIS", "FARGO", "DATACARD", "DII", "VELTO", "MAGICARD", "CIAAT"}) {
        m.Pick(m.model.Ctype, type);
        const auto& modes = m.model.Cmode.items;
        EXPECT_EQ(std::count(modes.begin(), modes.end(), "PARALLEL"), 0) << type;
    }
}

TEST_F(DialogModelTest, VeltoOffersTheModesOfTheLibrariesThatArePresent)
{
    TModelUnderTest m({"Velto USB 200"}, {"LPT1"}, {"Scorpa.dll", "Velkit.dll"});
    m.Pick(m.model.Cname, "Velto USB 200");
    EXPECT_EQ(m.model.Ctype.Text(), "VELTO");
    EXPECT_EQ(m.model.Cmode.items, (std::vector<std::string>{"SCSI", "USB"}));
    EXPECT_EQ(m.model.Cmode.Text(), "USB");
    EXPECT_TRUE(m.model.CBflip.visible);
    EXPECT_FALSE(m.model.CbContact.visible);
    m.model.BsaveClick();
    EXPECT_EQ(ReadIni(Path()).at(PC), (Keys{{"PrinterName", "Velto USB 200"}, {"PrinterType", "VELTO"},
                                            {"PrinterMode", "USB"}, {"FlipCard", "0"}}));
}

TEST_F(DialogModelTest, ANewPrinterTypeIsOneRowOfTheCatalogue)
{
    // A made-up type added as a row, and nothing else: the run knows it,
    // the dispatch calls its family, the dialog guesses it from a printer's
    // name and offers its modes, commands and options, and Apply writes it.
    TCatalogue catalogue = BuiltInCatalogue();
    catalogue.push_back({
        .keyword = "NOVA",
        .guess = {.rank = 9, .names = {"Nova"}},
        .modes = {{.text = "PARALLEL", .needsParallelPort = true},
                  {.text = "USB"},
                  {.text = "NET", .needsFiles = {"NovaNet.dll"}}},
        .preselected = {{.mode = "NET", .nameContains = "Net"}, {.mode = "USB"}},
        .commands = TCommandTexts {.Insert = "NI", .Post = "NP", .Eject = "NE", .Error = "NE", .Pause = "2500"},
        .errorForNames = {.names = {"Duo"}, .Error = "NR"},
        .options = {.flipCard = true},
        .family = [](const TFamilyEntries& f, const TPrinterCommand& c) {
            return f.EscPrinter(c.mode, c.name, c.command, c.direct);
        },
    });

    EXPECT_TRUE(IsPrinterType("NOVA", catalogue));
    EXPECT_FALSE(IsPrinterType("NOVA"));
    std::vector<std::string> calls;
    TFamilyEntries families;
    families.EscPrinter = [&calls](const std::string& mode, const std::string& name, const std::string& command, bool direct) {
        calls.push_back(mode + "|" + name + "|" + command + (direct ? "|direct" : ""));
        return true;
    };
    EXPECT_TRUE(ExecutePrinterCommand(catalogue, families, "NET", "NOVA", "Nova Net 2", "FEED", true));
    EXPECT_FALSE(ExecutePrinterCommand(catalogue, families, "NET", "nova", "Nova Net 2", "FEED", true));
    EXPECT_FALSE(ExecutePrinterCommand(BuiltInCatalogue(), families, "NET", "NOVA", "Nova Net 2", "FEED", true));
    EXPECT_EQ(calls, std::vector<std::string>{"NET|Nova Net 2|FEED|direct"});

    EXPECT_EQ(TypeDefaults("NOVA", "Nova Duo", catalogue).Error, "NR");
    EXPECT_EQ(ModesForType("NOVA", "Nova Net 2", false, [](std::string_view) { return false; }, catalogue).modes,
              std::vector<std::string>{"USB"});

    TTestHost host({"Nova Net 2", "Office laser"}, {"LPT1"}, {"NovaNet.dll"}, catalogue);
    TModelUnderTest m(host);
    m.model.LoadSettings("");
    m.Pick(m.model.Cname, "Nova Net 2");
    EXPECT_EQ(m.model.Ctype.items, (std::vector<std::string>{"ESCPRINTERS", "NOVA"}));
    EXPECT_EQ(m.model.Ctype.Text(), "NOVA");
    EXPECT_EQ(m.model.Cmode.items, (std::vector<std::string>{"PARALLEL", "USB", "NET"}));
    EXPECT_EQ(m.model.Cmode.Text(), "NET");
    EXPECT_EQ(m.model.Height, kHeightShort);
    EXPECT_EQ(m.model.Einsert().text, "NI");
    EXPECT_EQ(m.model.Eerror().text, "NE");
    EXPECT_TRUE(m.model.CBflip.visible);
    EXPECT_FALSE(m.model.CbContact.visible || m.model.CBMagiCardAPI.visible || m.model.PnMagicard.visible);
    EXPECT_FALSE(m.model.Gcommands.enabled);

    m.model.SetChecked(m.model.CBflip, true);
    m.model.BsaveClick();
    ExpectFile({{PC, {{"PrinterName", "Nova Net 2"}, {"PrinterType", "NOVA"}, {"PrinterMode", "NET"}, {"FlipCard", "1"}}},
                {CC, Commands("NI", "", "NP", "NE", "NE", "2500")}});

    // It loads back as written; a printer no rule names is offered every
    // type, the new one in its alphabetical place.
    TModelUnderTest again(host);
    again.model.LoadSettings("");
    EXPECT_EQ(again.model.Ctype.Text(), "NOVA");
    EXPECT_EQ(again.model.Cmode.Text(), "NET");
    EXPECT_TRUE(again.model.CBflip.checked);
    again.Pick(again.model.Cname, "Office laser");
    EXPECT_EQ(again.model.Ctype.items, (std::vector<std::string>{"CIAAT", "DATACARD", "DII", "ESCPRINTERS", "EVOLIS",
                                                                "FARGO", "MAGICARD", "NOVA", "VELTO", "ZEBRA"}));
}

TEST_F(DialogModelTest, ANonParallelModeDeletesOnlyPortNo)
{
    WriteText(Path(), "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\nPrinterMode=PARALLEL\n"
                      "UseDriverAPI=1\nSensorNo=2\n[Port]\nPortNo=1\nReceiveData=YES\nPortAddress=$0378\n");
    TModelUnderTest m({"Zebra P330i"}, {"LPT1"});
    m.Pick(m.model.Cmode, "USB");
    m.model.BsaveClick();
    const Ini ini = ReadIni(Path());
    EXPECT_EQ(ini.at("Port"), (Keys{{"ReceiveData", "YES"}, {"PortAddress", "$0378"}}));
    EXPECT_EQ(ini.at(PC), (Keys{{"PrinterName", "Zebra P330i"}, {"PrinterType", "ZEBRA"}, {"PrinterMode", "USB"},
                               {"UseDriverAPI", "1"}}));
}

TEST_F(DialogModelTest, TheFileButtonSwitchesToAnExistingFileAndKeepsANewName)
{
    const std::string other = Path("other.ini");
    WriteText(other, "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\nPrinterMode=USB\n");
    TModelUnderTest m({"Zebra P330i"}, {"LPT1"});
    m.view.chooserAnswer = Path("other");
    m.model.sbtnPrntFileClick();
    ASSERT_EQ(m.view.chooser.size(), 1u);
    EXPECT_EQ(m.view.chooser[0].filterName, "Configuration file");
    EXPECT_EQ(m.view.chooser[0].filterPattern, "*.ini");
    EXPECT_EQ(m.view.chooser[0].initialDir, dir.path);
    EXPECT_FALSE(m.view.chooser[0].fileMustExist);
    EXPECT_EQ(m.model.edtPrntFile.text, other);
    EXPECT_EQ(m.host->ConfigFileName(), other);
    EXPECT_EQ(m.model.Cmode.Text(), "USB");

    // A file that does not exist yet becomes the file on Apply.
    m.view.chooserAnswer = Path("fresh.ini");
    m.model.sbtnPrntFileClick();
    EXPECT_EQ(m.host->ConfigFileName(), other);
    EXPECT_EQ(m.model.edtPrntFile.text, Path("fresh.ini"));
    m.model.BsaveClick();
    EXPECT_EQ(m.host->ConfigFileName(), Path("fresh.ini"));
    // The commands are those of the file loaded (it has none).
    ExpectFile({{PC, {{"PrinterName", "Zebra P330i"}, {"PrinterType", "ZEBRA"}, {"PrinterMode", "USB"}}},
                {CC, Commands("", "", "", "", "", "")}},
               Path("fresh.ini"));
    // The file chosen first is left alone.
    EXPECT_EQ(ReadIni(other).count(CC), 0u);

    // A name with an extension keeps it; cancelled, nothing changes.
    m.view.chooserAnswer = Path("station.cfg");
    m.model.sbtnPrntFileClick();
    EXPECT_EQ(m.model.edtPrntFile.text, Path("station.cfg"));
    m.view.chooserAnswer.reset();
    m.model.sbtnPrntFileClick();
    EXPECT_EQ(m.model.edtPrntFile.text, Path("station.cfg"));
}

TEST_F(DialogModelTest, LoadSettingsSwitchesOnlyToAFileThatExists)
{
    WriteText(Path("second.ini"), "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\nPrinterMode=USB\n");
    TTestHost host({"Zebra P330i"}, {"LPT1"});
    TModelUnderTest m(host);
    m.model.LoadSettings(Path("missing.ini"));
    EXPECT_EQ(host.ConfigFileName(), Path());
    EXPECT_EQ(m.model.Cname.itemIndex, -1);
    m.model.LoadSettings(Path("second.ini"));
    EXPECT_EQ(host.ConfigFileName(), Path("second.ini"));
    EXPECT_EQ(m.model.edtPrntFile.text, Path("second.ini"));
    EXPECT_EQ(m.model.Cname.Text(), "Zebra P330i");
}

TEST_F(DialogModelTest, SwitchingToAFileWithoutPrinterLeavesNoModeOfTheFileBefore)
{
    WriteText(Path(), "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\nPrinterMode=USB\n");
    const std::string other = Path("other.ini");
    WriteText(other, "[PrinterConfiguration]\nPrinterName=Gone\nPrinterType=ZEBRA\nPrinterMode=USB\n");
    TModelUnderTest m({"Zebra P330i"}, {"LPT1"});
    EXPECT_EQ(m.model.Cmode.Text(), "USB");
    m.view.chooserAnswer = other;
    m.model.sbtnPrntFileClick();
    EXPECT_EQ(m.model.Cname.itemIndex, -1);
    EXPECT_EQ(m.model.Cmode.itemIndex, -1);
    EXPECT_FALSE(m.model.Cmode.enabled);
    m.model.BsaveClick();
    EXPECT_EQ(ReadIni(other).at(PC), (Keys{{"PrinterName", ""}, {"PrinterType", ""}, {"PrinterMode", ""}}));
}

TEST_F(DialogModelTest, AFailedWriteIsReportedAndTheDialogStaysOpen)
{
    TModelUnderTest m({"Zebra P330i"}, {"LPT1"});
    const std::string unwritable = Path("no-such-folder/tavrin.ini");
    m.view.chooserAnswer = unwritable;
    m.model.sbtnPrntFileClick();
    m.model.BsaveClick();
    EXPECT_EQ(m.view.messages, std::vector<std::string>{"Unable to write to " + unwritable});
    EXPECT_FALSE(m.view.closed);
}

TEST_F(DialogModelTest, APortNameWithoutNumberStopsApplyBeforeAnythingIsWritten)
{
    const std::string before = "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\nPrinterMode=USB\n";
    WriteText(Path(), before);
    TModelUnderTest m({"Zebra P330i"}, {"LPTX", "LPT"});
    m.Pick(m.model.Cmode, "PARALLEL");
    m.Pick(m.model.Port_No, "LPTX");
    m.model.BsaveClick();
    EXPECT_EQ(m.view.messages, std::vector<std::string>{"'X' is not a valid integer value"});
    EXPECT_FALSE(m.view.closed);
    EXPECT_EQ(ReadText(Path()), before);
    m.Pick(m.model.Port_No, "LPT");
    m.model.BsaveClick();
    EXPECT_EQ(m.view.messages.back(), "'' is not a valid integer value");
    EXPECT_EQ(ReadText(Path()), before);
}

TEST_F(DialogModelTest, PortNumbersAreTheNumberAfterTheFirstT)
{
    EXPECT_EQ(PortNumber("LPT1"), 1);
    EXPECT_EQ(PortNumber("LPT12"), 12);
    EXPECT_EQ(PortNumber("xT3"), 3);
    EXPECT_THROW(PortNumber("LPT1a"), TDialogError);
    EXPECT_THROW(PortNumber("LP1"), TDialogError);
}

TEST_F(DialogModelTest, CancelWritesNothing)
{
    TModelUnderTest m({"Zebra P330i"}, {"LPT1"});
    m.Pick(m.model.Cname, "Zebra P330i");
    m.model.BexitClick();
    EXPECT_EQ(m.view.closed, std::optional<bool>(false));
    EXPECT_FALSE(FileExists(Path()));
}

TEST_F(DialogModelTest, TheDialogsFileReadsWhatTheRunReads)
{
    // Every command field is one key of the table, written and read back
    // by the run's own reader.
    TModelUnderTest m({"Plain card printer"}, {"LPT1"});
    m.Pick(m.model.Cname, "Plain card printer");
    for (std::size_t i = 0; i < m.model.commands.size(); ++i) m.model.commands[i].text = "value " + std::to_string(i);
    m.model.BsaveClick();
    ASSERT_TRUE(LoadControlCommands());
    for (std::size_t i = 0; i < kDialogCommandCount; ++i)
        EXPECT_EQ(MyIniCmd().*kControlCommandTable[i].field, "value " + std::to_string(i)) << kControlCommandTable[i].key;
    EXPECT_EQ(MyIniCmd().PauseAfterPrint, "0");
}
