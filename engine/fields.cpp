#include "fields.h"

namespace hopscale {

const std::array<FieldInfo, kFieldCount>& allFields() {
    static const std::array<FieldInfo, kFieldCount> fields{{
        {Field::Text1, "Text1", "Enter tx dish diameter", "tx-dish", "2"},
        {Field::Text3, "Text3", "Enter rx dish diameter", "rx-dish", "2"},
        {Field::Text15, "Text15", "Enter amplifier gain in dbm if used.", "amp-gain", "0"},
        {Field::Text4, "Text4", "Preamp gain (if used) DBm", "preamp-gain", "0"},
        {Field::Text2, "Text2", "Enter tx waveguide or coax loss in db per 100 ft.", "tx-loss",
         "1"},
        {Field::Text8, "Text8", "Enter rx waveguide or coax loss in db per 100 ft.", "rx-loss",
         "1"},
        {Field::Text16, "Text16", "Tx cable length", "tx-length", "100"},
        {Field::Text18, "Text18", "Rx cable length", "rx-length", "100"},
        {Field::Text5, "Text5", "From Latitude", "from-lat", "0"},
        {Field::Text6, "Text6", "Longitude", "from-lon", "0"},
        {Field::Text7, "Text7", "To Latitude", "to-lat", "0"},
        {Field::Text9, "Text9", "Longitude", "to-lon", "0"},
        {Field::Text24, "Text24", "Total Path Length in", "length", "10"},
        {Field::Text10, "Text10", "Enter Frequency in GHz", "freq", "10"},
        {Field::Text12, "Text12", "Enter desired fade margin", "fade-margin", "0"},
        {Field::Text22, "Text22", "Normal Earth Factor 1.33", "k", "1.33"},
        {Field::Text26, "Text26", "Transmitter Power", "power", "10"},
        {Field::Text11, "Text11", "Path Name", "name", "Example"},
    }};
    return fields;
}

std::string_view fieldName(Field f) {
    switch (f) {
        case Field::Text6:
            return "From Longitude";
        case Field::Text9:
            return "To Longitude";
        default:
            return fieldInfo(f).caption;
    }
}

}  // namespace hopscale
