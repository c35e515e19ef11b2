#include "SenseCode.h"

namespace scorpa {

const std::array<ERR_Desc, 53> aSenseCode = {{
    {0x0000, ERR_NONE, "정상상태"},
    {0x0401, ERR_MN, "장치가 준비중입니다"},
    {0x0403, ERR_MN, "장치가 준비되지 않았습니다. 전원을 껐다 켜십시오"},
    {0x1A00, ERR_MJ, "명령어 인자길이가 틀렸습니다"},
    {0x2000, ERR_MJ, "잘못된 명령어 코드 입니다."},
    {0x2400, ERR_MJ, "CDB에 잘못된 필드값이 있습니다"},
    {0x2500, ERR_MJ, "해당 장치가 지원되지 않습니다"},
    {0x2600, ERR_MJ, "명령어 인자에 잘못된 필드값이 있습니다"},
    {0x2900, ERR_MN, "전원 켜기, 초기화 또는 버스장치에 초기화가 발생하였습니다"},
    {0x3600, ERR_MJ, "리본이 끝났습니다. 리본을 교체하십시오"},
    {0x3601, ERR_MJ, "리본이 끝났습니다. 리본을 교체하십시오"},
    {0x3602, ERR_MJ, "설정된 리본형식과 실장된 리본이 틀립니다"},
    {0x3603, ERR_MJ, "리본을 감는 중 오류가 발생하였습니다"},
    {0x3A00, ERR_MN, "호퍼에 카드가 준비되지 않았습니다"},
    {0x4500, ERR_MJ, "선택 또는 재선택이 실패하였습니다"},
    {0x4700, ERR_CR, "SCSI 패리티 오류가 발생하였습니다"},
    {0x5300, ERR_MJ, "카드 삽입중 오류가 발생하였습니다"},
    {0x8088, ERR_CR, "SCSI 명령어 수신시간이 초과되었습니다"},
    {0x8089, ERR_CR, "SCSI 하드웨어에 오류가 발생하였습니다"},
    {0x8090, ERR_MJ, "지원되지 않는 명령어를 수신하였습니다"},
    {0x8091, ERR_MJ, "인쇄명령 수신시간이 초과되었습니다"},
    {0x8092, ERR_MJ, "인쇄장치가 준비되지 않았습니다"},
    {0x8098, ERR_MJ, "인쇄명령 인자가 잘못되었습니다"},
    {0x8099, ERR_MJ, "명령인자 수신시간이 초과되었습니다"},
    {0x809A, ERR_MJ, "명령인자의 길이가 잘못되었습니다"},
    {0x809B, ERR_MJ, "수신된 명령인자값이 버퍼를 초과하였습니다"},
    {0x80A0, ERR_MJ, "인쇄데이타 수신시간이 초과되었습니다"},
    {0x80A1, ERR_MJ, "전송바이트 갯수 오류가 발생하였습니다"},
    {0x80B0, ERR_MJ, "인쇄 데이타 크기가 잘못되었습니다"},
    {0x80B1, ERR_MJ, "바코드 데이타 크기가 잘못되었습니다"},
    {0x80B2, ERR_MJ, "마그네틱 엔코드 데이타 크기가 잘못되었습니다"},
    {0x80B3, ERR_MJ, "마그네틱 엔코드 형식선택 오류가 발생하였습니다"},
    {0x80B4, ERR_CR, "플립턴 장치가 연결되지 않았습니다"},
    {0x80B5, ERR_CR, "IC 장치가 연결되지 않았습니다"},
    {0x80B6, ERR_CR, "히트롤러 장치가 연결되지 않았습니다"},
    {0x80B7, ERR_MN, "히트롤러 장치가 준비중입니다.  잠시만 기다리십시오"},
    {0x80B8, ERR_MJ, "마그네틱 엔코드 또는 바코드 데이타가 준비되지 않았습니다"},
    {0x80B9, ERR_MJ, "마그네틱 엔코드 데이타에 잘못된 문자가 있습니다"},
    {0x80BA, ERR_MJ, "바코드 데이타에 잘못된 문자가 있습니다"},
    {0x80BB, ERR_MJ, "마그네틱 엔코드 데이타를 읽을 수가 없습니다"},
    {0x80BD, ERR_MJ, "전송데이타가 준비되지 않았습니다"},
    {0x9080, ERR_MJ, "This is No Print Data(0 Is Specified for No. of Prints)"},
    {0x9082, ERR_MJ, "스택커가 꽉 찼습니다"},
    {0x9088, ERR_MJ, "장비의 전면 커버가 열렸습니다"},
    {0x908A, ERR_MJ, "마그네틱 엔코더가 읽기/쓰기 하는중 오류가 발생하였습니다"},
    {0xF0E0, ERR_CR, "장비에 알 수없는 오류가 발생하였습니다"},
    {0xF0F0, ERR_CR, "장비에 알 수없는 오류가 발생하였습니다"},
    {0xA080, ERR_CR, "IEEE Board Hardware Error"},
    {0xA081, ERR_CR, "IEEE Protocol Error (Irregular Sequense)"},
    {0xA082, ERR_CR, "IEEE Protocol Error (Communication Timeout)"},
    {0xA083, ERR_CR, "IEEE Foward Data Transfer Aborted"},
    {0xA084, ERR_CR, "IEEE Reverse Data Transfer Aborted"},
    {0xA089, ERR_CR, "Download is Aborted"},
}};

const std::array<ERR_Desc, 6> aSenseKey = {{
    {SK_NONE, 0, "There is no sense key information"},
    {SK_NOT_READY, 0, "Impossible to gain access"},
    {SK_HW_ERROR, 0, "Unrecoverable error occurred"},
    {SK_ILLEGAL_REQ, 0, "A wrong command or parameter"},
    {SK_UNIT_ATTENTION, 0, "The system is reset or powered on"},
    {SK_ABORT_COMMAND, 0, "The command is aborted"},
}};

const std::array<ERR_Desc, 11> aUnitCode = {{
    {UC_NONE, 0, "There is no error"},
    {UC_CONTROL, 0, "Control unit(Interface module)"},
    {UC_PICKUP, 0, "Cards supply unit"},
    {UC_FIRST_PRINT, 0, "Image, text and over coat printing unit"},
    {UC_SECOND_PRINT, 0, "Text and over coat printing unit"},
    {UC_HEAT_ROLLER, 0, "Protective layer coating unit"},
    {UC_ENCODER, 0, "Encoder unit"},
    {UC_IC_ENCODER, 0, "IC encoder unit"},
    {UC_STACKER, 0, "Stacker unit"},
    {UC_REJECT, 0, "Reject unit"},
    {UC_FLIPTURN, 0, "FlipTurn unit"},
}};

std::string GetSenseCodeMsg(std::uint32_t ACode, std::int32_t& AGrade)
{
    for (const ERR_Desc& row : aSenseCode) {
        if (row.Code == ACode) {
            AGrade = row.Grade;
            return row.Desc;
        }
    }
    return {};
}

std::string GetSenseCodeMsg(std::uint32_t ACode)
{
    std::int32_t grade = 0;
    return GetSenseCodeMsg(ACode, grade);
}

} // namespace scorpa
