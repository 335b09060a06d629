#pragma once

#include <QUuid>

// The type libraries of the plug-in libraries: each has one creatable class, VelmPlugin, whose
// default interface IPlugin has no members of its own (the object's work is IVelmPlugin). The
// ProgID of the class is "<type library>.VelmPlugin"; a library's manifest carries the same
// ProgId and ClassId.

// The MarkBook library.
namespace MarkBookTypeLib {
inline constexpr char ProgId[] = "MarkBook.VelmPlugin";
// {3CCA2978-4876-49A7-A82C-E96F838889C8}
inline constexpr QUuid CLSID_VelmPlugin{
        0x3CCA2978, 0x4876, 0x49A7, 0xA8, 0x2C, 0xE9, 0x6F, 0x83, 0x88, 0x89, 0xC8};
// {1A56C251-131E-4F6F-BECA-081631331430}
inline constexpr QUuid IID_IPlugin{
        0x1A56C251, 0x131E, 0x4F6F, 0xBE, 0xCA, 0x08, 0x16, 0x31, 0x33, 0x14, 0x30};
} // namespace MarkBookTypeLib

// The B_StudyPlan library.
namespace B_StudyPlanTypeLib {
inline constexpr char ProgId[] = "B_StudyPlan.VelmPlugin";
// {BEFC6BFF-D726-4594-915C-8FE832F7FCD3}
inline constexpr QUuid CLSID_VelmPlugin{
        0xBEFC6BFF, 0xD726, 0x4594, 0x91, 0x5C, 0x8F, 0xE8, 0x32, 0xF7, 0xFC, 0xD3};
// {44E370D6-591A-43FA-9632-295A9038418F}
inline constexpr QUuid IID_IPlugin{
        0x44E370D6, 0x591A, 0x43FA, 0x96, 0x32, 0x29, 0x5A, 0x90, 0x38, 0x41, 0x8F};
} // namespace B_StudyPlanTypeLib

// The orders library.
namespace OrdersTypeLib {
inline constexpr char ProgId[] = "Orders.VelmPlugin";
// {DEF5671F-E66A-43C3-B14A-479CC0E6F2FA}
inline constexpr QUuid CLSID_VelmPlugin{
        0xDEF5671F, 0xE66A, 0x43C3, 0xB1, 0x4A, 0x47, 0x9C, 0xC0, 0xE6, 0xF2, 0xFA};
// {67690317-2CCA-47CE-980C-BBB3C868FC65}
inline constexpr QUuid IID_IPlugin{
        0x67690317, 0x2CCA, 0x47CE, 0x98, 0x0C, 0xBB, 0xB3, 0xC8, 0x68, 0xFC, 0x65};
} // namespace OrdersTypeLib

// The Dossier library.
namespace DossierTypeLib {
inline constexpr char ProgId[] = "Dossier.VelmPlugin";
// {455294DC-4CC2-4E5D-B481-66E8BFB5548A}
inline constexpr QUuid CLSID_VelmPlugin{
        0x455294DC, 0x4CC2, 0x4E5D, 0xB4, 0x81, 0x66, 0xE8, 0xBF, 0xB5, 0x54, 0x8A};
// {A9F19DA2-A5D6-4B08-AD02-C0B1A936483D}
inline constexpr QUuid IID_IPlugin{
        0xA9F19DA2, 0xA5D6, 0x4B08, 0xAD, 0x02, 0xC0, 0xB1, 0xA9, 0x36, 0x48, 0x3D};
} // namespace DossierTypeLib

// The replicator library.
namespace ReplicatorTypeLib {
inline constexpr char ProgId[] = "Replicator.VelmPlugin";
// {E955F3C1-200D-420F-A39C-A9877F3D1DCA}
inline constexpr QUuid CLSID_VelmPlugin{
        0xE955F3C1, 0x200D, 0x420F, 0xA3, 0x9C, 0xA9, 0x87, 0x7F, 0x3D, 0x1D, 0xCA};
// {4FAFC4D6-E213-4C5F-9066-408B5C5EE7D1}
inline constexpr QUuid IID_IPlugin{
        0x4FAFC4D6, 0xE213, 0x4C5F, 0x90, 0x66, 0x40, 0x8B, 0x5C, 0x5E, 0xE7, 0xD1};
} // namespace ReplicatorTypeLib

// The MinStat library.
namespace MinStatTypeLib {
inline constexpr char ProgId[] = "MinStat.VelmPlugin";
// {48E1AD10-20E1-48AC-8616-96A7604C725C}
inline constexpr QUuid CLSID_VelmPlugin{
        0x48E1AD10, 0x20E1, 0x48AC, 0x86, 0x16, 0x96, 0xA7, 0x60, 0x4C, 0x72, 0x5C};
// {60401AC5-7C1E-4C40-AEBC-6F4D213E274B}
inline constexpr QUuid IID_IPlugin{
        0x60401AC5, 0x7C1E, 0x4C40, 0xAE, 0xBC, 0x6F, 0x4D, 0x21, 0x3E, 0x27, 0x4B};
} // namespace MinStatTypeLib

// The options library.
namespace OptionsTypeLib {
inline constexpr char ProgId[] = "Options.VelmPlugin";
// {551F524E-1EB1-45F3-80C9-F2411C35F489}
inline constexpr QUuid CLSID_VelmPlugin{
        0x551F524E, 0x1EB1, 0x45F3, 0x80, 0xC9, 0xF2, 0x41, 0x1C, 0x35, 0xF4, 0x89};
// {C8D5491D-50DB-4CC1-BD9C-284768FA5202}
inline constexpr QUuid IID_IPlugin{
        0xC8D5491D, 0x50DB, 0x4CC1, 0xBD, 0x9C, 0x28, 0x47, 0x68, 0xFA, 0x52, 0x02};
} // namespace OptionsTypeLib

// The StudyPlan library.
namespace StudyPlanTypeLib {
inline constexpr char ProgId[] = "StudyPlan.VelmPlugin";
// {4022ECF6-9D67-4ACE-BEA5-11D71ECAAEDD}
inline constexpr QUuid CLSID_VelmPlugin{
        0x4022ECF6, 0x9D67, 0x4ACE, 0xBE, 0xA5, 0x11, 0xD7, 0x1E, 0xCA, 0xAE, 0xDD};
// {FC2F401F-B8BF-4E63-BD8F-BC8A164DE774}
inline constexpr QUuid IID_IPlugin{
        0xFC2F401F, 0xB8BF, 0x4E63, 0xBD, 0x8F, 0xBC, 0x8A, 0x16, 0x4D, 0xE7, 0x74};
} // namespace StudyPlanTypeLib

// The protocols library.
namespace ProtocolsTypeLib {
inline constexpr char ProgId[] = "Protocols.VelmPlugin";
// {110C6FA9-B7B0-4778-B0F1-EF912117DC5F}
inline constexpr QUuid CLSID_VelmPlugin{
        0x110C6FA9, 0xB7B0, 0x4778, 0xB0, 0xF1, 0xEF, 0x91, 0x21, 0x17, 0xDC, 0x5F};
// {4262FC3C-76A0-4DD3-A4AB-5FEED538BEDF}
inline constexpr QUuid IID_IPlugin{
        0x4262FC3C, 0x76A0, 0x4DD3, 0xA4, 0xAB, 0x5F, 0xEE, 0xD5, 0x38, 0xBE, 0xDF};
} // namespace ProtocolsTypeLib

// The PlacePlan library.
namespace PlacePlanTypeLib {
inline constexpr char ProgId[] = "PlacePlan.VelmPlugin";
// {2E7B31B8-4DD6-40DA-A70A-07992F862099}
inline constexpr QUuid CLSID_VelmPlugin{
        0x2E7B31B8, 0x4DD6, 0x40DA, 0xA7, 0x0A, 0x07, 0x99, 0x2F, 0x86, 0x20, 0x99};
// {B9DA3EF7-2609-4D1A-986D-3D99B994DB41}
inline constexpr QUuid IID_IPlugin{
        0xB9DA3EF7, 0x2609, 0x4D1A, 0x98, 0x6D, 0x3D, 0x99, 0xB9, 0x94, 0xDB, 0x41};
} // namespace PlacePlanTypeLib
