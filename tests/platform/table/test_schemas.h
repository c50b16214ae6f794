// Schemas of the working tables as the tests build them.
#pragma once

#include "platform/table/table.h"

namespace tabletest {

using platform::FieldDef;
using platform::FieldType;
using platform::IndexDef;

inline std::vector<FieldDef> PriceFields() {
    using T = FieldType;
    return {{"ID", T::Integer, 0},         {"CODE", T::Text, 10},
            {"FULLNAME", T::Text, 200},    {"NDS", T::Double, 0},
            {"KOLTEK", T::Integer, 0},     {"CENA", T::Double, 0},
            {"MAXDISCOUNT", T::Double, 0}, {"ARTICUL", T::Text, 30},
            {"TM", T::Text, 50},           {"COUNTRY", T::Text, 30},
            {"ST1", T::Integer, 0},        {"ST2", T::Integer, 0},
            {"ST3", T::Integer, 0},        {"WST3", T::Double, 0},
            {"VST3", T::Double, 0},        {"IDGROUP", T::Integer, 0},
            {"IDSUBGROUP", T::Integer, 0}, {"FULLNAME_IND", T::Text, 200},
            {"ARTICUL_IND", T::Text, 30},  {"KOLZAK", T::Integer, 0},
            {"ISPHOTO", T::Boolean, 0},    {"ISNEW", T::Boolean, 0},
            {"BARCODE", T::Text, 20},      {"IDTM", T::Integer, 0},
            {"DATEIN", T::DateTime, 0}};
}

inline std::vector<IndexDef> PriceIndexes() {
    return {{"_ID", "ID", true},
            {"_CODE", "CODE", false},
            {"_FULLNAME", "FULLNAME_IND", false},
            {"_IDGROUP", "IDGROUP", false},
            {"_IDSUBGROUP", "IDSUBGROUP", false},
            {"_ARTICUL", "ARTICUL_IND", false},
            {"_KOLTEK", "KOLTEK", false},
            {"_CENA", "CENA", false},
            {"_IDG_CODE", "IDGROUP;CODE", false},
            {"_IDG_FN", "IDGROUP;FULLNAME_IND", false},
            {"_IDG_ART", "IDGROUP;ARTICUL_IND", false},
            {"_IDG_KOL", "IDGROUP;KOLTEK", false},
            {"_IDG_CENA", "IDGROUP;CENA", false},
            {"_IDSG_CODE", "IDSUBGROUP;CODE", false},
            {"_IDSG_FN", "IDSUBGROUP;FULLNAME_IND", false},
            {"_IDSG_ART", "IDSUBGROUP;ARTICUL_IND", false},
            {"_IDSG_KOL", "IDSUBGROUP;KOLTEK", false},
            {"_IDSG_CENA", "IDSUBGROUP;CENA", false},
            {"_IDG_IDSG", "IDGROUP;IDSUBGROUP", false},
            {"_KOLZAK", "KOLZAK", false},
            {"_IDTM", "IDTM", false}};
}

inline std::vector<FieldDef> ClassFields() {
    return {{"ID", FieldType::Integer, 0},
            {"NAME", FieldType::Text, 50},
            {"IDPARENT", FieldType::Integer, 0}};
}
inline std::vector<IndexDef> ClassIndexes() {
    return {{"_ID", "ID", true}, {"_IDPARENT", "IDPARENT", false}};
}

inline std::vector<FieldDef> TreeFields() {
    return {{"IDSUBGROUP", FieldType::Integer, 0},
            {"IDGROUP", FieldType::Integer, 0},
            {"NAMEGROUP", FieldType::Text, 100},
            {"NAMESUBGROUP", FieldType::Text, 100}};
}
inline std::vector<IndexDef> TreeIndexes() {
    return {{"_NAMEGROUP", "NAMEGROUP", false},
            {"_NAMESUBGROUP", "NAMESUBGROUP", false},
            {"_NAME_GROUP_SUBGROP", "NAMEGROUP,NAMESUBGROUP", false}};
}

inline std::vector<FieldDef> TmsFields() {
    return {{"ID", FieldType::Integer, 0}, {"NAME", FieldType::Text, 50}};
}
inline std::vector<IndexDef> TmsIndexes() {
    return {{"_ID", "ID", false}, {"_NAME", "NAME", false}};
}

inline std::vector<FieldDef> MainFields() {
    return {{"ID", FieldType::AutoInc, 0},
            {"DATET", FieldType::DateTime, 0},
            {"SUMMA", FieldType::Double, 0},
            {"ROWCOUNT", FieldType::Integer, 0}};
}
inline std::vector<IndexDef> MainIndexes() {
    return {{"_ID", "ID", true}, {"_DATET", "DATET", false}, {"_SUMMA", "SUMMA", false}};
}

// Order lines; the archive lines add IDDOC after ID and swap VOLUME and WEIGHT.
inline std::vector<FieldDef> LineFields(bool archive) {
    using T = FieldType;
    std::vector<FieldDef> f = {{"ID", T::AutoInc, 0}};
    if (archive) f.push_back({"IDDOC", T::Integer, 0});
    std::vector<FieldDef> rest = {{"IDPRICE", T::Integer, 0},
                                  {"CODE", T::Text, 10},
                                  {"FULLNAME", T::Text, 200},
                                  {"ARTICUL", T::Text, 30},
                                  {"TM", T::Text, 50},
                                  {"COUNTRY", T::Text, 30},
                                  {"NDS", T::Double, 0},
                                  {"ST1", T::Integer, 0},
                                  {"ST2", T::Integer, 0},
                                  {"ST3", T::Integer, 0},
                                  {"WST3", T::Double, 0},
                                  {"VST3", T::Double, 0},
                                  {"KOL", T::Integer, 0},
                                  {"CENAPRICE", T::Double, 0},
                                  {"PROCENTDISCOUNT", T::Double, 0},
                                  {"CENA", T::Double, 0},
                                  {"SUMMA", T::Double, 0},
                                  {"CENADISCOUINT", T::Double, 0},
                                  {"SUMMAPRICE", T::Double, 0},
                                  {"SUMMADISCOUNT", T::Double, 0},
                                  {"BARCODE", T::Text, 20}};
    f.insert(f.end(), rest.begin(), rest.end());
    if (archive) {
        f.push_back({"WEIGHT", T::Double, 0});
        f.push_back({"VOLUME", T::Double, 0});
    } else {
        f.push_back({"VOLUME", T::Double, 0});
        f.push_back({"WEIGHT", T::Double, 0});
    }
    return f;
}

}  // namespace tabletest
