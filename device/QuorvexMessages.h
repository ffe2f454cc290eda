#pragma once

#include "support/platform/RegisteredMessage.h"

// The registered window messages that the device stack posts to the console's main window.
// Each is registered by name when the program starts; wParam and lParam are described where
// each message is posted. Records carried in lParam belong to the receiver.

inline const zeph::platform::UINT WM_QUORVEX_ON_CONNECT =
    zeph::platform::registerWindowMessage(L"WM_QUORVEX_ON_CONNECT-{B8050613-DBAD-40D9-8304-6F4499EEBEE4}");
inline const zeph::platform::UINT WM_QUORVEX_ON_DISCONNECT =
    zeph::platform::registerWindowMessage(L"WM_QUORVEX_ON_DISCONNECT-{F39038BF-F913-4DC7-B2EB-49BC67A364FA}");
inline const zeph::platform::UINT WM_QUORVEX_MESSAGE =
    zeph::platform::registerWindowMessage(L"WM_QUORVEX_MESSAGE-{AA5BB3AB-0403-4260-9968-87664F664F2E}");
inline const zeph::platform::UINT WM_QUORVEX_FAILED_TO_SEND = zeph::platform::registerWindowMessage(
    L"WM_QUORVEX_FAILED_TO_SEND-{B4293033-B2D9-49E7-8E64-2D865136280E}");
inline const zeph::platform::UINT WM_QUORVEX_FAILED_TO_RECEIVE_RESONSE =
    zeph::platform::registerWindowMessage(
        L"WM_QUORVEX_FAILED_TO_RECEIVE_RESONSE-{{638C088E-E8EE-4FBA-AEC0-5142EB24D925}}");
inline const zeph::platform::UINT WM_QUORVEX_ON_STREAMING_EVT = zeph::platform::registerWindowMessage(
    L"WM_QUORVEX_ON_STREAMING_EVT-{FE331A2D-9E21-4E53-B5D0-4702052F62D7}");
inline const zeph::platform::UINT WM_QUORVEX_ON_GAIN_EVT =
    zeph::platform::registerWindowMessage(L"WM_QUORVEX_ON_GAIN_EVT-{30F946C5-FAFA-4E8C-ACEC-AEC1B57B5928}");
inline const zeph::platform::UINT WM_QUORVEX_ON_STOP_ACK_EVT = zeph::platform::registerWindowMessage(
    L"WM_QUORVEX_ON_STOP_ACK_EVT-{631C0287-6EE7-45F4-89CE-9AC1C3B4B3A5}");
inline const zeph::platform::UINT WM_QUORVEX_ON_ADC_READ_EVT = zeph::platform::registerWindowMessage(
    L"WM_QUORVEX_ON_ADC_READ_EVT-{CE86BB56-F17E-4B02-845D-C3BACE300C2E}");
inline const zeph::platform::UINT WM_QUORVEX_ON_ADC_DATA_EVT = zeph::platform::registerWindowMessage(
    L"WM_QUORVEX_ON_ADC_DATA_EVT-{B738481B-D11E-4EDC-948F-21172D154777}");
inline const zeph::platform::UINT WM_QUORVEX_ON_INIT_EVT =
    zeph::platform::registerWindowMessage(L"WM_QUORVEX_ON_INIT_EVT-{468D34B7-28E7-4CDF-9D32-8A7AD91BA5CF}");
inline const zeph::platform::UINT WM_QUORVEX_ON_PASSAGE_EVT = zeph::platform::registerWindowMessage(
    L"WM_QUORVEX_ON_PASSAGE_EVT-{35451F86-7122-4D55-9676-5568D9F45244}");
inline const zeph::platform::UINT WM_QUORVEX_ON_IGNORED_EVT = zeph::platform::registerWindowMessage(
    L"WM_QUORVEX_ON_IGNORED_EVT-{CC661BD7-5B89-41AB-8F0F-10D42FC63488}");
inline const zeph::platform::UINT WM_QUORVEX_ON_REC_TRGRD_EVT = zeph::platform::registerWindowMessage(
    L"WM_QUORVEX_ON_REC_TRGRD_EVT-{D3154938-AC6A-4E24-B506-06EFA0C346AC}");
inline const zeph::platform::UINT WM_QUORVEX_ON_SEL_CHAN_CHNGD_EVT = zeph::platform::registerWindowMessage(
    L"WM_QUORVEX_ON_SEL_CHAN_CHNGD_EVT-{1EB0BC52-E96C-4575-8D90-1AC6576347D5}");
inline const zeph::platform::UINT WM_QUORVEX_ON_GPS_INFO_EVT = zeph::platform::registerWindowMessage(
    L"WM_QUORVEX_ON_GPS_INFO_EVT-{51F84405-10B7-427E-9C5F-376D3A2B6FE6}");
inline const zeph::platform::UINT WM_QUORVEX_ON_REC_CHNG_EVT = zeph::platform::registerWindowMessage(
    L"WM_QUORVEX_ON_REC_CHNG_EVT-{F5DCAF21-FAC7-42D3-812B-1F33E4A5C2EF}");
inline const zeph::platform::UINT WM_QUORVEX_ON_STATE_INFO_EVT = zeph::platform::registerWindowMessage(
    L"WM_QUORVEX_ON_STATE_INFO_EVT-{67681B6D-890F-4103-B660-289ED754103D}");
inline const zeph::platform::UINT WM_QUORVEX_SHOW_ERROR_BOX = zeph::platform::registerWindowMessage(
    L"WM_QUORVEX_SHOW_ERROR_BOX-{5C7B3665-4287-41E3-9D72-81E60E23513F}");
