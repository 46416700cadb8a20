#include "platform/ras.h"

namespace velmor::ras {

std::string errorText(int code) {
    switch (code) {
        case 0:
            return "Операция успешно завершена.";
        case kErrorInvalidHandle:
            return "Неверный дескриптор.";
        case kErrorInvalidParameter:
            return "Параметр задан неверно.";
        case kErrorNotSupported:
            return "Эта функция не поддерживается в данной системе.";
        case kErrorInvalidName:
            return "Недопустимое имя записи телефонной книги.";
        case kErrorAlreadyExists:
            return "Запись с таким именем уже существует.";
        case kErrorInvalidPortHandle:
            return "Обнаружен неверный дескриптор порта.";
        case kErrorPortAlreadyOpen:
            return "Порт уже открыт.";
        case kErrorBufferTooSmall:
            return "Буфер вызывающей программы слишком мал.";
        case kErrorDeviceDoesNotExist:
            return "Указанное в записи телефонной книги устройство не существует.";
        case kErrorCannotOpenPhonebook:
            return "Не удается открыть файл телефонной книги.";
        case kErrorCannotFindPhonebookEntry:
            return "Не удается найти запись в телефонной книге.";
        case kErrorCannotWritePhonebook:
            return "Не удается записать файл телефонной книги.";
        case kErrorRemoteDisconnection:
            return "Подключение было закрыто удаленным компьютером.";
        case kErrorUserDisconnection:
            return "Подключение было закрыто пользователем.";
        case kErrorPortNotAvailable:
            return "Порт модема недоступен.";
        case kErrorFromDevice:
            return "Модем (или другое устройство связи) сообщил об ошибке.";
        case kErrorLineBusy:
            return "Линия занята.";
        case kErrorVoiceAnswer:
            return "Вместо модема ответил человек.";
        case kErrorNoAnswer:
            return "Удаленный компьютер не отвечает.";
        case kErrorNoCarrier:
            return "Не обнаружена несущая.";
        case kErrorNoDialtone:
            return "Нет сигнала готовности линии (гудка).";
        case kErrorAuthenticationFailure:
            return "Доступ запрещен: имя пользователя или пароль не приняты удаленным "
                   "компьютером.";
        case kErrorHardwareFailure:
            return "Произошел аппаратный сбой модема (или другого устройства связи).";
        case kErrorPppTimeout:
            return "Подключение было прервано, так как удаленный компьютер не ответил вовремя.";
        case kErrorProjectionNotComplete:
            return "Согласование протоколов подключения еще не завершено.";
        case kErrorPppLcpTerminated:
            return "Работа протокола управления PPP-каналом была прервана.";
        case kErrorDllNotFound:
            return "Служба удаленного доступа не установлена.";
        default:
            break;
    }
    if (code >= 600 && code < 1000) return "Ошибка RAS " + std::to_string(code);
    return "Ошибка " + std::to_string(code);
}

namespace {

class UnavailableService : public RasService {
  public:
    bool available() const override { return false; }
    int enumEntries(std::vector<std::string>& names) override {
        names.clear();
        return kErrorDllNotFound;
    }
    int getEntryProperties(std::string_view, EntryProperties&) override {
        return kErrorDllNotFound;
    }
    int getEntryDialParams(std::string_view, DialParams&) override { return kErrorDllNotFound; }
    int deleteEntry(std::string_view) override { return kErrorDllNotFound; }
    int readEntry(std::string_view, PhonebookEntry&) override { return kErrorDllNotFound; }
    int writeEntry(const PhonebookEntry&, std::string_view) override { return kErrorDllNotFound; }
    std::vector<std::string> takeProblems() override { return {}; }
    int dial(const DialRequest&, Notifier, Handle& handle) override {
        handle = 0;
        return kErrorDllNotFound;
    }
    int hangUp(Handle) override { return kErrorDllNotFound; }
    int getConnectStatus(Handle, ConnectStatus&) override { return kErrorDllNotFound; }
    int enumConnections(std::vector<Connection>& out) override {
        out.clear();
        return kErrorDllNotFound;
    }
    int getProjection(Handle, Projection&) override { return kErrorDllNotFound; }
    int getConnectionStatistics(Handle, Statistics&) override { return kErrorDllNotFound; }
    int clearConnectionStatistics(Handle) override { return kErrorDllNotFound; }
};

}  // namespace

std::unique_ptr<RasService> makeUnavailableService() {
    return std::make_unique<UnavailableService>();
}

}  // namespace velmor::ras
