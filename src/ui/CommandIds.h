// Command numbers as wx ids.
//
// wx accepts menu item ids from 0 to 0x7FFE only, but the main window's menu
// commands are numbered from 32771 on (IDM_ in Catalogue.h). Such a number
// travels through wx as the id WxCommandId(number), shifted down by
// COMMAND_ID_SHIFT; smaller numbers (control ids, toolbar commands) are used
// unchanged. Every menu item, accelerator, toolbar button or event that
// carries a menu command uses WxCommandId, and a handler that needs the
// number back uses CommandFromWxId.
#pragma once

constexpr int COMMAND_ID_SHIFT = 16384;
constexpr int WX_MAX_COMMAND_ID = 0x7FFE;

constexpr int WxCommandId(int nCommand)
{
    return nCommand > WX_MAX_COMMAND_ID ? nCommand - COMMAND_ID_SHIFT : nCommand;
}

constexpr int CommandFromWxId(int nWxId)
{
    return nWxId > WX_MAX_COMMAND_ID - COMMAND_ID_SHIFT && nWxId <= WX_MAX_COMMAND_ID
               ? nWxId + COMMAND_ID_SHIFT
               : nWxId;
}

static_assert(WxCommandId(32771) == 16387 && CommandFromWxId(16387) == 32771);
static_assert(WxCommandId(9005) == 9005 && CommandFromWxId(9005) == 9005);
