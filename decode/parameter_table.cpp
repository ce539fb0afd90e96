#include "decode/parameter_table.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace tresvik {

namespace {

// The second driver's rows copy the first driver's block: same formats and scalings, identifiers
// 0x0100 higher, "Driver 2" in the label. They are generated here so the two blocks cannot drift.
constexpr int kDriver1First = 106;
constexpr int kDriverRowCount = 28;
constexpr int kDriver2First = kDriver1First + kDriverRowCount;
constexpr std::uint16_t kDriver2IdStep = 0x0100;

// Labels live in fixed buffers of this many characters, terminating zero included.
constexpr std::size_t kLabelCapacity = 64;

// Rows 0 to 133. Labels are shown exactly as written here, misspellings included: engineers know
// the values by these names.
constexpr std::array<ParameterRow, kDriver2First> listedRows() {
    using enum FormatCode;
    // clang-format off
    return {{
        {u"Device", 0x2420, DeviceVersion, 0, 0, 1, 1, 0},
        {u"Sw. Date", 0x2422, SoftwareDate, 0, 0, 1, 1, 0},
        {u"ID", 0x2421, HexBytes, 0, 0, 1, 1, 0},
        {u"PRG_NO", 0x2401, PrefixedNumeric, 5, 0, 1, 1, 0},
        {u"DBG_FLG", 0x24F0, HexBytes, 0, 0, 1, 1, 0},
        {u"DBG_EE_WR", 0x24F1, PrefixedNumeric, 0, 0, 1, 1, 0},
        {u"DBG_SOFT_RESET", 0x24F2, PrefixedNumeric, 0, 0, 1, 1, 0},
        {u"DBG_EXCEPTION", 0x24F3, PrefixedNumeric, 0, 0, 1, 1, 0},
        {u"Lifetime", 0x0031, Duration, 9, 2, 1, 3600, 0},
        {u"Lifetime Count", 0x0032, Duration, 9, 2, 1, 3600, 0},
        {u"Odometer", 0x0033, Numeric, 11, 3, 1, 200, 0},
        {u"Odometer Count", 0x0034, Numeric, 11, 3, 1, 200, 0},
        {u"Fuel Consumption", 0x0035, Numeric, 9, 1, 1, 20, 0},
        {u"Fuel Count", 0x0036, Numeric, 9, 1, 1, 20, 0},
        {u"Fuel Level [%]", 0x0037, Numeric, 6, 1, 1, 10, 0},
        {u"Fuel Level [L]", 0x0038, Numeric, 6, 1, 1, 10, 0},
        {u"RPM", 0x0039, Numeric, 4, 0, 1, 4, 0},
        {u"Temperature", 0x003A, Numeric, 5, 1, 1, 1, 60},
        {u"Speed", 0x003B, Numeric, 5, 1, 1, 256, 0},
        {u"Axis 1 pressure", 0x003C, Numeric, 7, 1, 1, 2, 0},
        {u"Axis 2 pressure", 0x003D, Numeric, 7, 1, 1, 2, 0},
        {u"Axis 3 pressure", 0x003E, Numeric, 7, 1, 1, 2, 0},
        {u"Axis 4 pressure", 0x003F, Numeric, 7, 1, 1, 2, 0},
        {u"Axis 5 pressure", 0x0040, Numeric, 7, 1, 1, 2, 0},
        {u"AdBlue Level [%]", 0x0043, Numeric, 6, 1, 1, 10, 0},
        {u"AdBlue Level [L]", 0x0044, Numeric, 6, 1, 1, 10, 0},
        {u"Harvesting Time", 0x0046, Numeric, 9, 1, 1, 60, 0},
        {u"Harvested Area", 0x0047, Numeric, 11, 4, 1, 10000, 0},
        {u"Harvesting Efficiency", 0x0048, Numeric, 9, 5, 1, 100000, 0},
        {u"Mown Grain Weight [kg]", 0x0049, Numeric, 10, 0, 1, 1, 0},
        {u"Grain Humidity [%]", 0x004A, Numeric, 6, 1, 1, 10, 0},
        {u"Accelerator Position [%]", 0x004B, Numeric, 5, 1, 2, 5, 0},
        {u"Engine Load [%]", 0x004C, Numeric, 3, 1, 1, 1, 125},
        {u"Treshing drum RPM", 0x004D, Numeric, 4, 0, 1, 1, 0},
        {u"Gap under treshing drum [mm]", 0x004E, Numeric, 1, 0, 1, 1, 0},
        {u"Retarder load [%]", 0x004F, Numeric, 1, 0, 1, 1, 0},
        {u"Distance To Service [km]", 0x0051, Numeric, 8, 0, 1, 1, 0},
        {u"Service - Distance Exceeded [km]", 0x0052, Numeric, 8, 0, 1, 1, 0},
        {u"Distance After Service [km]", 0x0053, Numeric, 8, 0, 1, 1, 0},
        {u"Time To Service [km]", 0x0054, Numeric, 5, 0, 1, 1, 0},
        {u"Service - Time Exceeded [km]", 0x0055, Numeric, 5, 0, 1, 1, 0},
        {u"Time After Service [km]", 0x0056, Numeric, 5, 0, 1, 1, 0},
        {u"VIN", 0x0057, Characters, 17, 0, 1, 1, 0},
        {u"Battery Temperature [*C]", 0x006E, Numeric, 5, 1, 1, 1, 60},
        {u"Battery Level [%]", 0x006F, Numeric, 6, 2, 1, 100, 0},
        {u"Arm - Slope [*]", 0x0070, Numeric, 6, 1, 1, 10, 1800},
        {u"Arm - Rotation [*]", 0x0071, Numeric, 6, 1, 1, 10, 1800},
        {u"Arm - Protrusion [m]", 0x0072, Numeric, 6, 1, 1, 10, 0},
        {u"Arm - Horizontal Distance [m]", 0x0073, Numeric, 6, 1, 1, 10, 0},
        {u"Arm - Height [m]", 0x0074, Numeric, 6, 1, 1, 10, 0},
        {u"Water Level [%]", 0x0075, Numeric, 5, 1, 1, 10, 0},
        {u"Foam Level [%]", 0x0076, Numeric, 5, 1, 1, 10, 0},
        {u"Pump Pressure [bar]", 0x0077, Numeric, 5, 1, 1, 10, 0},
        {u"Wind Speed [m/s]", 0x0078, Numeric, 3, 0, 1, 1, 0},
        {u"Outside Temperature [*C]", 0x0079, Numeric, 5, 1, 1, 1, 60},
        {u"Drill RPM [rpm]", 0x007A, Numeric, 5, 0, 1, 1, 0},
        {u"Salt Spread [g/m2]", 0x007B, Numeric, 6, 2, 1, 100, 0},
        {u"Battery Voltage [V]", 0x007C, Numeric, 5, 1, 1, 10, 0},
        {u"Fine-grained Salt Spreaded [T]", 0x007D, Numeric, 9, 1, 1, 10, 0},
        {u"Coarse-grained Salt Spreaded [T]", 0x007E, Numeric, 9, 1, 1, 10, 0},
        {u"DiMix Spreaded [T]", 0x007F, Numeric, 9, 1, 1, 10, 0},
        {u"Coarse-grained Calcium Spreaded [T]", 0x0080, Numeric, 9, 1, 1, 10, 0},
        {u"CaCl2 Spreaded [T]", 0x0081, Numeric, 9, 1, 1, 10, 0},
        {u"NaCl Spreaded [T]", 0x0082, Numeric, 9, 1, 1, 10, 0},
        {u"MgCl2 Spreaded [T]", 0x0083, Numeric, 9, 1, 1, 10, 0},
        {u"Gravel Spreaded [T]", 0x0084, Numeric, 9, 1, 1, 10, 0},
        {u"Sand Spreaded [T]", 0x0085, Numeric, 9, 1, 1, 10, 0},
        {u"Strew Left [m]", 0x0086, Numeric, 5, 2, 1, 100, 0},
        {u"Strew Right [m]", 0x0087, Numeric, 5, 2, 1, 100, 0},
        {u"Spreader work hours [h]", 0x0088, Numeric, 9, 1, 1, 10, 0},
        {u"Spreader distance [km]", 0x0089, Numeric, 9, 1, 1, 10, 0},
        {u"Cargo weight [kg]", 0x0094, Numeric, 6, 0, 1, 1, 0},
        {u"CNG Consumption", 0x0096, Numeric, 9, 1, 1, 20, 0},
        {u"CNG Count", 0x0097, Numeric, 9, 1, 1, 20, 0},
        {u"CNG Level [%]", 0x0098, Numeric, 6, 1, 1, 10, 0},
        {u"CNG Level [kg]", 0x0099, Numeric, 6, 1, 1, 10, 0},
        {u"Range", 0x009A, Numeric, 11, 3, 1, 200, 0},
        {u"Gross combined wehicle weight", 0x009B, Numeric, 7, 1, 10, 1, 0},
        {u"Eco Speed limit time [h]", 0x4001, Duration, 6, 2, 1, 1, 0},
        {u"Eco Permited RPM time [h]", 0x4002, Duration, 9, 2, 1, 3600, 0},
        {u"Eco Exceeded upper RPM time [h]", 0x4003, Duration, 9, 2, 1, 3600, 0},
        {u"Eco Exceeded upper acceleration time [h]", 0x4004, Duration, 9, 2, 1, 3600, 0},
        {u"Eco Acceleration counter", 0x4005, Numeric, 4, 0, 1, 1, 0},
        {u"Eco Working time with RED indicator [h]", 0x4006, Duration, 9, 2, 1, 3600, 0},
        {u"Eco Driving time wigh RED indicator [h]", 0x4007, Duration, 9, 2, 1, 3600, 0},
        {u"Eco Driving time with foot brake [h]", 0x4008, Duration, 9, 2, 1, 3600, 0},
        {u"Eco Driving time with hand brake [h]", 0x4009, Duration, 9, 2, 1, 3600, 0},
        {u"Eco Braking counter", 0x400A, Numeric, 4, 0, 1, 1, 0},
        {u"Eco Hard braking time [h]", 0x400B, Duration, 9, 2, 1, 3600, 0},
        {u"Eco Rapid acceleration time [h]", 0x400C, Duration, 9, 2, 1, 3600, 0},
        {u"Eco Braking time using foot brake [h]", 0x400D, Duration, 9, 2, 1, 3600, 0},
        {u"Eco Braking time using engine [h]", 0x400E, Duration, 9, 2, 1, 3600, 0},
        {u"Eco Driving time with cruise control [h]", 0x400F, Duration, 9, 2, 1, 3600, 0},
        {u"Eco Total driving time [h]", 0x4010, Duration, 9, 2, 1, 3600, 0},
        {u"Eco Total idling time [h]", 0x4011, Duration, 9, 2, 1, 3600, 0},
        {u"Eco Total idle fuel consumption [l]", 0x4012, Numeric, 9, 2, 1, 20, 0},
        {u"Immo ID BASE", 0x2060, ImmobiliserBaseId, 11, 0, 1, 1, 0},
        {u"Immo ID 1", 0x2061, ImmobiliserId, 11, 0, 1, 1, 0},
        {u"Immo ID 2", 0x2062, ImmobiliserId, 11, 0, 1, 1, 0},
        {u"Immo ID 3", 0x2063, ImmobiliserId, 11, 0, 1, 1, 0},
        {u"Immo ID 4", 0x2064, ImmobiliserId, 11, 0, 1, 1, 0},
        {u"Immo ID 5", 0x2065, ImmobiliserId, 11, 0, 1, 1, 0},
        {u"Tachograph high resolution total vehicle distance", 0x5301, Numeric, 11, 3, 1, 200, 0},
        {u"Tachograph high resolution trip distance", 0x5302, Numeric, 11, 3, 1, 200, 0},
        {u"Tachograph vehicle speed", 0x5303, Numeric, 3, 0, 1, 256, 0},
        {u"Tachograph driver's card presence", 0x5304, CardPresence, 0, 0, 1, 1, 0},
        {u"Driver1 Name", 0x5101, DriverName, 0, 0, 1, 1, 0},
        {u"Driver1 Lastname", 0x5102, DriverName, 0, 0, 1, 1, 0},
        {u"Driver1 ID", 0x5103, Characters, 0, 0, 1, 1, 0},
        {u"Driver1 state", 0x5104, DriverState, 0, 0, 1, 1, 0},
        {u"Driver 1 continuous driving time", 0x5105, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 cumulative break time", 0x5106, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 current duration of selected activity", 0x5107, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 cumulated driving time previous and current week", 0x5108,
          Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 Current Daily Driving Time", 0x5109, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 Numver Of Times 9h Daily Driving Times Exceeded", 0x510A,
          Numeric, 2, 0, 1, 1, 0},
        {u"Driver 1 Cumulative Uninterrupted Rest Time", 0x510B, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 Remaining Current Driving Time", 0x510C, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 Remaining Driving Time On Current Shift", 0x510D, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 Remaining Driving Time Of Current Week", 0x510E, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 Remaining 2 Weeks Driving Time", 0x510F, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 Time Left Until Next Driving Period", 0x5110, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 Remaining Time Until Next Break Or Rest", 0x5111, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 End Of Last Daily Rest Period", 0x5112, DateTime, 8, 0, 1, 1, 0},
        {u"Driver 1 End Of Second Last Weekly Rest Period", 0x5113, DateTime, 8, 0, 1, 1, 0},
        {u"Driver 1 Current Weekly Driving Time", 0x5114, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 Maximum Daily Driving Time", 0x5115, Numeric, 2, 0, 1, 1, 0},
        {u"Driver 1 Number Of Used Reduced Daily Rest Periods", 0x5116, Numeric, 2, 0, 1, 1, 0},
        {u"Driver 1 Duration Of Next Driving Period", 0x5117, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 Duration Of Next Break Rest", 0x5118, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 Remaining Time Of Current Break Rest", 0x5119, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 Time Left Until New Daily Rest Period", 0x511A, Numeric, 9, 2, 1, 60, 0},
        {u"Driver 1 Card Next Mandatory Download Date", 0x511B, Date, 10, 0, 1, 1, 0},
        {u"Driver 1 Time Left Until New Weekly Rest Period", 0x511C, Numeric, 9, 2, 1, 60, 0},
    }};
    // clang-format on
}

constexpr std::array<ParameterRow, kDriver2First> kListedRows = listedRows();

struct LabelBuffer {
    std::array<char16_t, kLabelCapacity> text{};
    std::size_t length = 0;

    constexpr std::u16string_view view() const { return {text.data(), length}; }
};

// "Driver1" becomes "Driver2" and "Driver 1" becomes "Driver 2"; nothing else changes, so the
// label keeps its length.
constexpr LabelBuffer driver2Label(std::u16string_view driver1) {
    constexpr std::u16string_view kWord = u"Driver";
    LabelBuffer label;
    std::ranges::copy(driver1, label.text.begin());
    label.length = driver1.size();
    for (std::size_t at = driver1.find(kWord); at != std::u16string_view::npos;
         at = driver1.find(kWord, at + 1)) {
        std::size_t digit = at + kWord.size();
        if (digit < driver1.size() && driver1[digit] == u' ') {
            ++digit;
        }
        if (digit < driver1.size() && driver1[digit] == u'1') {
            label.text[digit] = u'2';
        }
    }
    return label;
}

constexpr std::array<LabelBuffer, kDriverRowCount> makeDriver2Labels() {
    std::array<LabelBuffer, kDriverRowCount> labels{};
    for (int i = 0; i < kDriverRowCount; ++i) {
        labels[i] = driver2Label(kListedRows[kDriver1First + i].label);
    }
    return labels;
}

constexpr std::array<LabelBuffer, kDriverRowCount> kDriver2Labels = makeDriver2Labels();

constexpr std::array<ParameterRow, kParameterCount> makeTable() {
    std::array<ParameterRow, kParameterCount> table{};
    std::ranges::copy(kListedRows, table.begin());
    for (int i = 0; i < kDriverRowCount; ++i) {
        ParameterRow row = kListedRows[kDriver1First + i];
        row.messageId = static_cast<std::uint16_t>(row.messageId + kDriver2IdStep);
        row.label = kDriver2Labels[i].view();
        table[kDriver2First + i] = row;
    }
    return table;
}

constexpr std::array<ParameterRow, kParameterCount> kTable = makeTable();

constexpr bool labelsFitTheirBuffers() {
    return std::ranges::all_of(
        kTable, [](const ParameterRow& row) { return row.label.size() < kLabelCapacity; });
}

constexpr bool everyDriver2LabelRenamed() {
    for (int i = 0; i < kDriverRowCount; ++i) {
        if (kTable[kDriver2First + i].label == kTable[kDriver1First + i].label) {
            return false;
        }
    }
    return true;
}

// One identifier names one row: findParameterRow() returns the first row carrying it, and a
// second row under the same identifier would never be reached.
constexpr bool identifiersUnique() {
    for (int i = 0; i < kParameterCount; ++i) {
        for (int j = i + 1; j < kParameterCount; ++j) {
            if (kTable[i].messageId == kTable[j].messageId) {
                return false;
            }
        }
    }
    return true;
}

static_assert(labelsFitTheirBuffers());
static_assert(everyDriver2LabelRenamed());
static_assert(identifiersUnique());

}  // namespace

std::span<const ParameterRow> parameterTable() {
    return kTable;
}

const ParameterRow& parameterRow(int index) {
    return kTable[static_cast<std::size_t>(index)];
}

std::optional<int> findParameterRow(std::uint16_t messageId) {
    const auto it = std::ranges::find(kTable, messageId, &ParameterRow::messageId);
    if (it == kTable.end()) {
        return std::nullopt;
    }
    return static_cast<int>(it - kTable.begin());
}

ListPosition listPosition(int index) {
    const int pair = index / kParameterListItems;
    return {index % kParameterListItems, 2 * pair, 2 * pair + 1};
}

int rowAt(int item, int column) {
    if (item < 0 || item >= kParameterListItems || column < 0 || column >= kParameterListColumns) {
        return -1;
    }
    const int index = column / 2 * kParameterListItems + item;
    return index < kParameterCount ? index : -1;
}

}  // namespace tresvik
