#pragma once

#include <QUuid>

// The events of the data object, delivered to each connected sink as
// IVelmDispatch::Invoke(dispid, InvokeKind::Method, {}, nullptr).

// {209627C0-020A-497A-8589-E9E56958B76B}
inline constexpr QUuid IID_IVelmDataEvents{
        0x209627C0, 0x020A, 0x497A, 0x85, 0x89, 0xE9, 0xE5, 0x69, 0x58, 0xB7, 0x6B};

enum class IVelmDataEventsDispid {
    OnBeforeScroll = 1,
    OnAfterScroll = 2,
};
