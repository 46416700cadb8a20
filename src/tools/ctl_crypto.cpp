// velmorctl encrypt, decrypt and machine: the stored-secret cipher and the machine binding.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/cipher.h"
#include "platform/codepage.h"
#include "platform/machine.h"
#include "tools/velmorctl.h"

namespace velmor::ctl {
namespace {

struct CipherArgs {
    std::string keyFile;
    bool hex = false;
    std::vector<std::string> operands;
};

int usageError(const char* usage) {
    std::fprintf(stderr, "usage: velmorctl %s\n", usage);
    return kBadInput;
}

// --key-file FILE (or --key-file=FILE), --hex where allowed, "--" ends the options. On a bad
// argument says why and sets status.
std::optional<CipherArgs> parseCipherArgs(const Args& args, bool allowHex, const char* usage,
                                          int& status) {
    CipherArgs out;
    bool options = true, keyGiven = false;
    status = kBadInput;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (options && a == "--") {
            options = false;
        } else if (options && a == "--key-file") {
            if (i + 1 >= args.size()) return usageError(usage), std::nullopt;
            out.keyFile = args[++i];
            keyGiven = true;
        } else if (options && a.rfind("--key-file=", 0) == 0) {
            out.keyFile = a.substr(11);
            keyGiven = true;
        } else if (options && (a == "--key" || a.rfind("--key=", 0) == 0)) {
            secretOnCommandLine("--key", "--key-file FILE (- for standard input)");
            return std::nullopt;
        } else if (options && allowHex && a == "--hex") {
            out.hex = true;
        } else if (options && a.rfind("--", 0) == 0) {
            std::fprintf(stderr, "velmorctl: unknown option '%s'\n", a.c_str());
            return usageError(usage), std::nullopt;
        } else {
            out.operands.push_back(a);
        }
    }
    if (!keyGiven) return usageError(usage), std::nullopt;
    status = 0;
    return out;
}

// A character outside Windows-1251 would be stored as "?" and change the secret: refused.
bool fitsCodePage(const std::string& text, const char* what) {
    if (fitsCp1251(text)) return true;
    std::fprintf(stderr, "velmorctl: the %s holds characters that Windows-1251 cannot store\n",
                 what);
    return false;
}

void printLine(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

std::string lowerHex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

}  // namespace

int runEncrypt(const Args& args) {
    const char* usage = "encrypt --key-file FILE  (the text on standard input)";
    int status = 0;
    const auto parsed = parseCipherArgs(args, false, usage, status);
    if (!parsed) return status;
    if (!parsed->operands.empty())
        return secretOnCommandLine("a text to encipher", "standard input");
    if (parsed->keyFile == "-") {
        std::fprintf(stderr,
                     "velmorctl: standard input carries the text; give the key in a file\n");
        return kBadInput;
    }
    const auto key = readSecretFile(parsed->keyFile, "key");
    if (!key) return kBadInput;
    const auto text = readSecretInput("text");
    if (!text) return kBadInput;
    if (!fitsCodePage(*key, "key") || !fitsCodePage(*text, "text")) return kBadInput;
    printLine(encipherText(*key, *text));
    return 0;
}

int runDecrypt(const Args& args) {
    const char* usage = "decrypt --key-file FILE [--hex] BASE64";
    int status = 0;
    const auto parsed = parseCipherArgs(args, true, usage, status);
    if (!parsed) return status;
    if (parsed->operands.size() != 1) return usageError(usage);
    const auto key = readSecretFile(parsed->keyFile, "key");
    if (!key) return kBadInput;
    if (!fitsCodePage(*key, "key")) return kBadInput;
    std::string bytes;
    try {
        bytes = decipherBytes(utf8ToCp1251(*key), utf8ToCp1251(parsed->operands.front()));
    } catch (const Base64Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return kBadInput;
    }
    printLine(parsed->hex ? lowerHex(bytes) : cp1251ToUtf8(bytes));
    return 0;
}

int runMachine(const Args& args) {
    if (args.size() > 1 || (!args.empty() && args[0].rfind("--", 0) == 0)) {
        return usageError("machine [DRIVE]");
    }
    const MachineBinding b = machineBinding(args.empty() ? std::string() : args[0]);
    std::printf("VolumeSerial=%s\nMachineCode=%s\nMachineKey=%s\n", b.serialText.c_str(),
                b.machineCode.c_str(), b.machineKey.c_str());
    return 0;
}

}  // namespace velmor::ctl
