#pragma once
// An in-memory registry for the unit tests: a tree of keys under HKCU and HKLM
// (each with a "Software" key), typed values, handles that must be closed exactly
// once, a log of every call, and failures that a test can switch on.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "settings/registry_api.h"

namespace qp::test {

struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
                return std::tolower(x) < std::tolower(y);
            });
    }
};

struct RegValue {
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

enum class RegOp { Open, Create, Query, Set, Flush, Close };

// One call as the registry saw it. key is the full path of the key the handle
// denotes ("HKLM\Software\..."), or "?" for a handle the registry does not know.
struct RegCall {
    RegOp op;
    std::string key;
    std::string name;  // sub key path for Open and Create, value name for Query and Set
    uint32_t type = 0;
    uint32_t size = 0;
    long status = kErrorSuccess;
    std::vector<uint8_t> data;  // what Set was given
};

// A call as one line: "Open HKCU:software", "Close HKLM\Software",
// "Set HKCU\Software\VRX:Name = sz \"text\" (5)", "Set ...:Name = dword 7 (4)".
inline std::string Describe(const RegCall& call) {
    static const char* const ops[] = {"Open", "Create", "Query", "Set", "Flush", "Close"};
    std::ostringstream line;
    line << ops[static_cast<int>(call.op)] << ' ' << call.key;
    if (!call.name.empty()) line << ':' << call.name;
    if (call.op == RegOp::Set) {
        line << " = ";
        if (call.type == kRegSz) {
            const std::string text(call.data.begin(), call.data.end());
            line << "sz \"" << text.substr(0, text.find('\0')) << '"';
        } else if (call.type == kRegDword && call.data.size() == 4) {
            uint32_t number;
            std::memcpy(&number, call.data.data(), 4);
            line << "dword " << number;
        } else {
            line << "type " << call.type;
        }
        line << " (" << call.size << ')';
    }
    return line.str();
}

class FakeRegistry : public RegistryApi {
public:
    FakeRegistry() {
        hives_[kHkeyCurrentUser] = Node{"HKCU", kHkeyCurrentUser, {}, {}};
        hives_[kHkeyLocalMachine] = Node{"HKLM", kHkeyLocalMachine, {}, {}};
        for (auto& hive : hives_) Child(hive.second, "Software");
    }

    // ---- switchable failures
    void DenyOpen(RegHandle hive) { deniedHives_.insert(hive); }
    void FailCreate() { failCreate_ = true; }
    void FailSet(const std::string& name) { failingSets_.insert(name); }

    // ---- direct access for setting up and checking; paths like "HKCU\\Software\\VRX"
    void Put(const std::string& keyPath, const std::string& name, uint32_t type,
             std::vector<uint8_t> data) {
        Node* node = Find(keyPath, /*create=*/true);
        node->values[name] = RegValue{type, std::move(data)};
    }
    void PutString(const std::string& keyPath, const std::string& name, const std::string& text,
                   uint32_t type = kRegSz) {
        std::vector<uint8_t> data(text.begin(), text.end());
        data.push_back(0);
        Put(keyPath, name, type, std::move(data));
    }
    void PutDword(const std::string& keyPath, const std::string& name, uint32_t number) {
        std::vector<uint8_t> data(4);
        std::memcpy(data.data(), &number, 4);
        Put(keyPath, name, kRegDword, std::move(data));
    }
    bool KeyExists(const std::string& keyPath) { return Find(keyPath, false) != nullptr; }
    std::optional<RegValue> Get(const std::string& keyPath, const std::string& name) {
        Node* node = Find(keyPath, false);
        if (!node) return std::nullopt;
        auto it = node->values.find(name);
        if (it == node->values.end()) return std::nullopt;
        return it->second;
    }
    // The text of a REG_SZ value without its terminating NUL; nullopt if absent or not REG_SZ.
    std::optional<std::string> GetString(const std::string& keyPath, const std::string& name) {
        auto value = Get(keyPath, name);
        if (!value || value->type != kRegSz || value->data.empty() || value->data.back() != 0)
            return std::nullopt;
        return std::string(value->data.begin(), value->data.end() - 1);
    }
    std::optional<uint32_t> GetDword(const std::string& keyPath, const std::string& name) {
        auto value = Get(keyPath, name);
        if (!value || value->type != kRegDword || value->data.size() != 4) return std::nullopt;
        uint32_t number;
        std::memcpy(&number, value->data.data(), 4);
        return number;
    }
    size_t ValueCount(const std::string& keyPath) {
        Node* node = Find(keyPath, false);
        return node ? node->values.size() : 0;
    }

    const std::vector<RegCall>& calls() const { return calls_; }
    std::vector<RegCall> CallsOf(RegOp op) const {
        std::vector<RegCall> found;
        for (const RegCall& call : calls_)
            if (call.op == op) found.push_back(call);
        return found;
    }
    // The log as Describe lines, keeping only the given kinds of call.
    std::vector<std::string> Trace(std::initializer_list<RegOp> ops) const {
        std::vector<std::string> lines;
        for (const RegCall& call : calls_)
            if (std::find(ops.begin(), ops.end(), call.op) != ops.end())
                lines.push_back(Describe(call));
        return lines;
    }
    void ClearLog() { calls_.clear(); }
    size_t OpenHandleCount() const { return open_.size(); }
    // Closing a handle that is not open (twice, or never opened) is recorded here.
    int BadCloses() const { return badCloses_; }

    // ---- RegistryApi
    long OpenKey(RegHandle parent, const char* subKey, RegHandle* result) override {
        *result = 0;
        Node* base = NodeOf(parent);
        long status = kErrorSuccess;
        if (!base) {
            status = kErrorInvalidHandle;
        } else if (deniedHives_.count(base->hive)) {
            status = kErrorAccessDenied;
        } else if (Node* node = Walk(base, subKey, false)) {
            *result = NewHandle(node);
        } else {
            status = kErrorFileNotFound;
        }
        return Log(RegOp::Open, PathOf(base), subKey, 0, 0, status);
    }

    long CreateKey(RegHandle parent, const char* path, RegHandle* result) override {
        *result = 0;
        Node* base = NodeOf(parent);
        long status = kErrorSuccess;
        if (!base)
            status = kErrorInvalidHandle;
        else if (failCreate_)
            status = kErrorAccessDenied;
        else
            *result = NewHandle(Walk(base, path, true));
        return Log(RegOp::Create, PathOf(base), path, 0, 0, status);
    }

    long QueryValue(RegHandle key, const char* name, uint32_t* type, uint8_t* data,
                    uint32_t* size) override {
        Node* node = NodeOf(key);
        long status = kErrorSuccess;
        uint32_t given = size ? *size : 0;
        const RegValue* found = nullptr;
        if (node) {
            auto it = node->values.find(name);
            if (it != node->values.end()) found = &it->second;
        }
        if (!node) {
            status = kErrorInvalidHandle;
        } else if (!found) {
            status = kErrorFileNotFound;
        } else {
            const RegValue& value = *found;
            const auto length = static_cast<uint32_t>(value.data.size());
            if (type) *type = value.type;
            if (data && given < length) {
                status = kErrorMoreData;
            } else if (data) {
                std::copy(value.data.begin(), value.data.end(), data);
            }
            if (size) *size = length;
        }
        return Log(RegOp::Query, PathOf(node), name, 0, given, status);
    }

    long SetValue(RegHandle key, const char* name, uint32_t type, const uint8_t* data,
                  uint32_t size) override {
        Node* node = NodeOf(key);
        long status = kErrorSuccess;
        if (!node)
            status = kErrorInvalidHandle;
        else if (failingSets_.count(name))
            status = kErrorAccessDenied;
        else
            node->values[name] = RegValue{type, std::vector<uint8_t>(data, data + size)};
        return Log(RegOp::Set, PathOf(node), name, type, size, status,
                   std::vector<uint8_t>(data, data + size));
    }

    long FlushKey(RegHandle key) override {
        Node* node = NodeOf(key);
        const long status = node ? kErrorSuccess : kErrorInvalidHandle;
        return Log(RegOp::Flush, PathOf(node), "", 0, 0, status);
    }

    long CloseKey(RegHandle key) override {
        auto it = open_.find(key);
        if (it == open_.end()) {
            ++badCloses_;
            return Log(RegOp::Close, "?", "", 0, 0, kErrorInvalidHandle);
        }
        std::string path = it->second->path;
        open_.erase(it);
        return Log(RegOp::Close, path, "", 0, 0, kErrorSuccess);
    }

private:
    struct Node {
        std::string path;
        RegHandle hive = 0;
        std::map<std::string, Node, CaseInsensitiveLess> children;
        std::map<std::string, RegValue, CaseInsensitiveLess> values;
    };

    Node& Child(Node& parent, const std::string& name) {
        auto found = parent.children.find(name);
        if (found != parent.children.end()) return found->second;
        Node& child = parent.children[name];
        child.path = parent.path + "\\" + name;
        child.hive = parent.hive;
        return child;
    }

    // Follows a backslash-separated path below base; null if a part is missing and
    // create is false.
    Node* Walk(Node* base, const std::string& path, bool create) {
        std::istringstream parts(path);
        std::string part;
        Node* node = base;
        while (node && std::getline(parts, part, '\\')) {
            if (part.empty()) continue;
            if (create) {
                node = &Child(*node, part);
            } else {
                auto it = node->children.find(part);
                node = it == node->children.end() ? nullptr : &it->second;
            }
        }
        return node;
    }

    Node* Find(const std::string& keyPath, bool create) {
        const size_t split = keyPath.find('\\');
        const std::string hiveName = keyPath.substr(0, split);
        for (auto& hive : hives_)
            if (hive.second.path == hiveName)
                return split == std::string::npos
                           ? &hive.second
                           : Walk(&hive.second, keyPath.substr(split + 1), create);
        return nullptr;
    }

    Node* NodeOf(RegHandle handle) {
        auto hive = hives_.find(handle);
        if (hive != hives_.end()) return &hive->second;
        auto it = open_.find(handle);
        return it == open_.end() ? nullptr : it->second;
    }

    static std::string PathOf(const Node* node) { return node ? node->path : "?"; }

    RegHandle NewHandle(Node* node) {
        nextHandle_ += 4;
        open_[nextHandle_] = node;
        return nextHandle_;
    }

    long Log(RegOp op, std::string key, std::string name, uint32_t type, uint32_t size,
             long status, std::vector<uint8_t> data = {}) {
        calls_.push_back(
            RegCall{op, std::move(key), std::move(name), type, size, status, std::move(data)});
        return status;
    }

    std::map<RegHandle, Node> hives_;
    std::map<RegHandle, Node*> open_;
    RegHandle nextHandle_ = 0x1000;
    std::set<RegHandle> deniedHives_;
    bool failCreate_ = false;
    std::set<std::string, CaseInsensitiveLess> failingSets_;
    std::vector<RegCall> calls_;
    int badCloses_ = 0;
};

}  // namespace qp::test
