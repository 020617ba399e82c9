// Placeholder variable store until the full one lands.
#include "kemlang/vars.h"

#include <utility>

static std::vector<std::pair<std::string, std::string>> store;

static int find(const std::string& name) {
    for (int i = static_cast<int>(store.size()) - 1; i >= 0; --i)
        if (store[i].first == name) return i;
    return -1;
}

std::string getval(const std::string& name) {
    int i = find(name);
    return i < 0 ? std::string() : store[i].second;
}
bool havvar(const std::string& name) { return find(name) >= 0; }
void setvar(const std::string& name, const std::string& value, int) {
    int i = find(name);
    if (i < 0) store.emplace_back(name, value);
    else store[i].second = value;
}
void unsetvar(const std::string& name) {
    int i = find(name);
    if (i >= 0) store.erase(store.begin() + i);
}
std::string repvar(const std::string& line) { return line; }
void update(const std::string&) {}
void inivar() { store.clear(); }
int varmark() { return static_cast<int>(store.size()); }
void varrelease(int mark) {
    if (mark < static_cast<int>(store.size())) store.resize(mark);
}
void cmdset(const std::string&, std::vector<std::string>&, int) {}
