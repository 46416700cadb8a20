// The remote access service as the program sees it: the phonebook, dialling with progress
// notifications, hang-up, connection status, active connections, IP projection and statistics.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/phonebook.h"

namespace velmor {
class EventLoop;
}

namespace velmor::ras {

// A connection handle; 0 means none.
using Handle = std::uint32_t;

// Connection states a device reports while it dials (the ones the simulated line goes through).
constexpr int kStateOpenPort = 0;
constexpr int kStatePortOpened = 1;
constexpr int kStateConnectDevice = 2;
constexpr int kStateDeviceConnected = 3;
constexpr int kStateAllDevicesConnected = 4;
constexpr int kStateAuthenticate = 5;
constexpr int kStateAuthNotify = 6;
constexpr int kStateAuthAck = 12;
constexpr int kStateAuthenticated = 14;
constexpr int kStateConnected = 8192;
constexpr int kStateDisconnected = 8193;

// Result codes (0 is success).
constexpr int kErrorInvalidHandle = 6;  // the connection does not exist (any more)
constexpr int kErrorInvalidParameter = 87;
constexpr int kErrorNotSupported = 120;
constexpr int kErrorInvalidName = 123;
constexpr int kErrorAlreadyExists = 183;
constexpr int kErrorInvalidPortHandle = 601;  // status unreadable / connection gone
constexpr int kErrorPortAlreadyOpen = 602;
constexpr int kErrorBufferTooSmall = 603;
constexpr int kErrorDeviceDoesNotExist = 608;
constexpr int kErrorCannotOpenPhonebook = 621;
constexpr int kErrorCannotFindPhonebookEntry = 623;
constexpr int kErrorCannotWritePhonebook = 624;
constexpr int kErrorRemoteDisconnection = 629;
constexpr int kErrorUserDisconnection = 631;
constexpr int kErrorPortNotAvailable = 633;  // the port or the system's PPP part cannot be used
constexpr int kErrorFromDevice = 651;        // the modem refused (a number it will not dial now)
constexpr int kErrorLineBusy = 676;
constexpr int kErrorVoiceAnswer = 677;
constexpr int kErrorNoAnswer = 678;
constexpr int kErrorNoCarrier = 679;
constexpr int kErrorNoDialtone = 680;
constexpr int kErrorAuthenticationFailure = 691;
constexpr int kErrorHardwareFailure = 692;  // the modem answers wrongly or not at all
constexpr int kErrorPppTimeout = 718;       // the remote end never answered the PPP start
constexpr int kErrorProjectionNotComplete = 730;
constexpr int kErrorPppLcpTerminated = 734;  // the link's negotiation failed
constexpr int kErrorDllNotFound = 1157;      // the service is not available

// The Russian text of a result code, as a Russian system words it; "Ошибка RAS N" (or "Ошибка N"
// outside the RAS range) for a code it does not know.
std::string errorText(int code);

// Authentication protocols of the link (the LCP projection).
constexpr std::uint32_t kAuthPap = 0xC023;
constexpr std::uint32_t kAuthSpap = 0xC123;
constexpr std::uint32_t kAuthChap = 0xC223;
constexpr std::uint32_t kAuthEap = 0xC227;

struct DialRequest {
    std::string entryName;
    std::string phoneNumber;  // empty: the entry's own number
    std::string userName;
    std::string password;
    std::string callbackNumber;
    std::string domain;
    std::uint32_t subEntry = 0;
};

// Progress of a dial: the connection, its sub-entry, the state reached and an error code (0 while
// all is well; a failed dial reports its error once and then nothing more). A real device may call
// it on a thread of its own; no call follows a hang-up of the handle.
using Notifier = std::function<void(Handle handle, std::uint32_t subEntry, int state, int error)>;

struct ConnectStatus {
    int state = 0;
    int error = 0;
    std::string deviceType;
    std::string deviceName;
    std::string phoneNumber;  // the number dialled
};

// One active connection (dialling or connected).
struct Connection {
    Handle handle = 0;
    std::string entryName;
    std::string deviceType;
    std::string deviceName;
    std::string phonebook;

    friend bool operator==(const Connection&, const Connection&) = default;
};

struct Projection {
    std::string localIp;   // the address the provider gave this computer
    std::string serverIp;  // the provider's end of the link
    std::uint32_t authProtocol = 0;
};

struct Statistics {
    std::uint64_t bytesSent = 0;
    std::uint64_t bytesReceived = 0;
    std::uint32_t bps = 0;  // line speed in bits per second
    std::uint32_t connectDurationMs = 0;
};

struct EntryProperties {
    std::string device;
    std::string phoneNumber;
    std::vector<std::string> alternates;
};

struct DialParams {
    std::string userName;
    std::string password;  // empty unless passwordSaved
    bool passwordSaved = false;
    std::string callbackNumber;
    std::string domain;
};

// The service. Every operation returns a result code and is called on the user-interface thread;
// errorString may be called from any thread.
class RasService {
  public:
    virtual ~RasService() = default;

    // False for a machine without the service: every operation then answers kErrorDllNotFound.
    virtual bool available() const = 0;

    // Entry names, sorted as the system sorts names (ignoring letter case, Cyrillic in alphabet
    // order). An unreadable phonebook gives no names and kErrorCannotOpenPhonebook.
    virtual int enumEntries(std::vector<std::string>& names) = 0;
    virtual int getEntryProperties(std::string_view entry, EntryProperties& out) = 0;
    virtual int getEntryDialParams(std::string_view entry, DialParams& out) = 0;
    virtual int deleteEntry(std::string_view entry) = 0;
    // The whole entry, for the entry editor.
    virtual int readEntry(std::string_view entry, PhonebookEntry& out) = 0;
    // Writes an entry: a new one when oldName is empty, else replaces (and may rename) oldName.
    // Keys the record does not hold (the simulation keys) are kept from the old entry.
    virtual int writeEntry(const PhonebookEntry& entry, std::string_view oldName) = 0;
    // Problems found in the phonebook since the last call (bad values, an unreadable file), each
    // reported once, as clear Russian messages for the user.
    virtual std::vector<std::string> takeProblems() = 0;

    // Starts dialling; the handle is set on success, 0 on failure. No notification follows a dial
    // that fails at once.
    virtual int dial(const DialRequest& request, Notifier notifier, Handle& handle) = 0;
    // Ends a connection or a dial in progress at once.
    virtual int hangUp(Handle handle) = 0;
    // kErrorInvalidHandle once the connection is gone.
    virtual int getConnectStatus(Handle handle, ConnectStatus& out) = 0;
    // Connections in the order they were dialled.
    virtual int enumConnections(std::vector<Connection>& out) = 0;
    virtual int getProjection(Handle handle, Projection& out) = 0;
    virtual int getConnectionStatistics(Handle handle, Statistics& out) = 0;
    virtual int clearConnectionStatistics(Handle handle) = 0;

    // The text of a code; for a device's own failure (633: why the port cannot be used, and the
    // fix) the device's sentence about the latest such failure.
    virtual std::string errorString(int code) const { return errorText(code); }
    // Lines hung up that a device still takes down (a modem being put on-hook, a pppd ending).
    virtual bool settling() const { return false; }
};

// The Linux service: the phonebook file at path (created with the demonstration entry when it is
// missing) and the devices its entries name: the simulated modem ("sim", the default) and a
// serial modem through pppd for a port path. The loop runs the simulated line.
std::unique_ptr<RasService> makePhonebookService(EventLoop& loop, std::string phonebookPath);
// The same on the default phonebook (Phonebook::defaultPath()).
std::unique_ptr<RasService> makeDefaultService(EventLoop& loop);
// A machine without remote access: every operation answers kErrorDllNotFound.
std::unique_ptr<RasService> makeUnavailableService();

}  // namespace velmor::ras
