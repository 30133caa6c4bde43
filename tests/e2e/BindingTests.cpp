// The module's binding to the host, exercised on the real module builds without the simulator:
// exports, entry-point record, function-table copy, entry wrappers, load and unload.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "APIFunctionTable.hpp"
#include "RS.hpp"
#include "TestSupport.hpp"

namespace {

constexpr auto ApiVersions = landfetch::HostApiVersions;

using test::ModuleBuild;

// A private copy of a module build, loaded on its own: its state is not shared with any other
// load of the same build in this process.
class LoadedModule {
public:
    explicit LoadedModule(int api) : path(folder / ("Orvani_Landfetch_" + std::to_string(api) + ".so"))
    {
        std::filesystem::copy_file(ModuleBuild(api), path);
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr)
            throw std::runtime_error(dlerror());
        getExported = reinterpret_cast<GetExportedFuncAddrsProc*>(dlsym(handle, "GetExportedFuncAddrs"));
        setImported = reinterpret_cast<SetImportedFuncAddrsProc*>(dlsym(handle, "SetImportedFuncAddrs"));
        if (getExported == nullptr || setImported == nullptr)
            throw std::runtime_error("exports missing");
        getExported(&exported);
    }
    ~LoadedModule() { Unload(); }

    void Unload()
    {
        if (handle != nullptr)
            dlclose(handle);
        handle = nullptr;
    }

    test::TempFolder folder;
    std::string path;
    void* handle = nullptr;
    GetExportedFuncAddrsProc* getExported = nullptr;
    SetImportedFuncAddrsProc* setImported = nullptr;
    API_ExportedFuncs exported{};
};

// The operations the start-up reaches, answering success; everything else stays empty.
GSErrCode RegisterMenuStub(API_Token, Int16, Int16, APIMenuCodeID, GSFlags) { return NoError; }
GSErrCode InstallMenuHandlerStub(API_Token, Int16, APIMenuCommandProc*) { return NoError; }
GSErrCode RegisterPaletteStub(API_Token, Int32, APIPaletteControlCallBackProc*, GSFlags, const API_Guid&)
{
    return NoError;
}

std::vector<void*> StartupTable(int api, bool withMenuHandler, bool withPalette)
{
    std::vector<void*> table(API::SlotCount(api), nullptr);
    table[static_cast<std::size_t>(API::Operation::RegisterMenu)] = reinterpret_cast<void*>(&RegisterMenuStub);
    if (withMenuHandler)
        table[static_cast<std::size_t>(API::Operation::InstallMenuHandler)] =
            reinterpret_cast<void*>(&InstallMenuHandlerStub);
    if (withPalette)
        table[static_cast<std::size_t>(API::Operation::RegisterPalette)] = reinterpret_cast<void*>(&RegisterPaletteStub);
    return table;
}

// `readable` bytes of table that end right at an unreadable page.
class FencedTable {
public:
    explicit FencedTable(std::size_t readable)
    {
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        pages = (readable + page - 1) / page + 1;
        base = static_cast<unsigned char*>(
            mmap(nullptr, pages * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(base + (pages - 1) * page, page, PROT_NONE);
        size = pages * page;
        start = base + (pages - 1) * page - readable;
    }
    ~FencedTable() { munmap(base, size); }

    const void* Start() const { return start; }

private:
    unsigned char* base = nullptr;
    unsigned char* start = nullptr;
    std::size_t pages = 0;
    std::size_t size = 0;
};

}  // namespace

TEST(ModuleExports, EachBuildExportsExactlyTheTwoNames)
{
    for (int api : ApiVersions) {
        const test::ProcessRun run = test::RunProgram("nm", {"-D", "--defined-only", ModuleBuild(api)});
        std::vector<std::string> names;
        for (std::string text : run.Lines()) {
            text.erase(text.find_last_not_of("\r") + 1);
            names.push_back(text.substr(text.find_last_of(' ') + 1));
        }
        ASSERT_EQ(run.status, 0) << "nm " << ModuleBuild(api) << "\n" << run.err;
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"GetExportedFuncAddrs", "SetImportedFuncAddrs"})) << api;
    }
}

// The module's global new and delete are GSRoot's, kept inside it: it takes none from the standard
// library, and reaches the host's memory manager for every block.
TEST(ModuleAllocation, EachBuildAllocatesThroughTheHostsMemoryManager)
{
    for (int api : ApiVersions) {
        const test::ProcessRun run = test::RunProgram("nm", {"-D", "--undefined-only", ModuleBuild(api)});
        ASSERT_EQ(run.status, 0) << "nm " << ModuleBuild(api) << "\n" << run.err;
        std::vector<std::string> names;
        for (std::string text : run.Lines()) {
            text.erase(text.find_last_not_of("\r") + 1);
            std::string name = text.substr(text.find_last_of(' ') + 1);
            names.push_back(name.substr(0, name.find('@')));  // without the symbol's version
        }
        const auto imports = [&](const std::string& name) {
            return std::find(names.begin(), names.end(), name) != names.end();
        };
        EXPECT_TRUE(imports("_ZN2GS13MemoryManager8AllocateEmNS0_18ExceptionBehaviourEb")) << api;
        EXPECT_TRUE(imports("_ZN2GS13MemoryManager4FreeEPv")) << api;
        for (const char* global : {"_Znwm", "_Znam", "_ZnwmSt11align_val_t", "_ZdlPv", "_ZdaPv", "_ZdlPvm",
                                   "_ZdlPvSt11align_val_t"})
            EXPECT_FALSE(imports(global)) << api << " takes " << global << " from outside";
    }
}

TEST(EntryPointRecord, VersionWordApiLevelAddressesAndZerosElsewhere)
{
    for (int api : ApiVersions) {
        LoadedModule module(api);
        unsigned char record[sizeof(API_ExportedFuncs)];
        std::memset(record, 0xA5, sizeof record);
        module.getExported(reinterpret_cast<API_ExportedFuncs*>(record));

        UInt32 versionWord;
        Int32 apiLevel;
        std::memcpy(&versionWord, record, 4);
        std::memcpy(&apiLevel, record + 40, 4);
        EXPECT_EQ(versionWord, (static_cast<UInt32>(api) << 16) | 1u) << api;
        EXPECT_EQ(apiLevel, api * 1000) << api;
        for (std::size_t offset = 8; offset < 40; offset += 8) {
            void* address;
            std::memcpy(&address, record + offset, sizeof address);
            EXPECT_NE(address, nullptr) << api << " offset " << offset;
        }
        for (std::size_t offset : {4, 5, 6, 7})
            EXPECT_EQ(record[offset], 0) << api << " offset " << offset;
        for (std::size_t offset = 44; offset < sizeof record; ++offset)
            EXPECT_EQ(record[offset], 0) << api << " offset " << offset;
    }
}

TEST(EntryWrappers, BeforeTheTableTheyAnswerWithoutRunning)
{
    for (int api : ApiVersions) {
        LoadedModule module(api);
        int token = 0;
        API_EnvirParams envir{};
        EXPECT_EQ(module.exported.checkEnvironment(&envir), 0) << api;
        EXPECT_TRUE(envir.addOnInfo.name.IsEmpty()) << api;
        EXPECT_EQ(module.exported.registerInterface(&token), -2130313215) << api;
        EXPECT_EQ(module.exported.initialize(&token), -2130313215) << api;
        EXPECT_EQ(module.exported.freeData(), -2130313215) << api;
    }
}

TEST(EntryWrappers, EnvironmentCheckGivesNameDescriptionAndType)
{
    for (int api : ApiVersions) {
        LoadedModule module(api);
        std::vector<void*> table(API::SlotCount(api), nullptr);
        ASSERT_EQ(module.setImported(table.data()), NoError);
        API_EnvirParams envir{};
        EXPECT_EQ(module.exported.checkEnvironment(&envir), 2) << api;
        EXPECT_EQ(envir.addOnInfo.name, "Orvani. Landfetch") << api;
        EXPECT_NE(envir.addOnInfo.description.ToUtf8().find("ČÚZK"), std::string::npos) << api;
    }
}

TEST(EntryWrappers, MissingOperationsEndTheStartUpWithTheMissingCode)
{
    for (int api : ApiVersions) {
        LoadedModule module(api);
        int token = 0;
        std::vector<void*> empty(API::SlotCount(api), nullptr);
        ASSERT_EQ(module.setImported(empty.data()), NoError);
        EXPECT_EQ(module.exported.registerInterface(&token), -2130312313) << api;
        EXPECT_EQ(module.exported.initialize(&token), -2130312313) << api;

        std::vector<void*> noPalette = StartupTable(api, true, false);
        ASSERT_EQ(module.setImported(noPalette.data()), NoError);
        EXPECT_EQ(module.exported.registerInterface(&token), NoError) << api;
        EXPECT_EQ(module.exported.initialize(&token), -2130312313) << api;

        // The project-event handler is not essential: its missing slot does not stop the start-up.
        std::vector<void*> startup = StartupTable(api, true, true);
        ASSERT_EQ(module.setImported(startup.data()), NoError);
        EXPECT_EQ(module.exported.initialize(&token), NoError) << api;
        EXPECT_EQ(module.exported.freeData(), NoError) << api;
    }
}

TEST(EntryWrappers, ANullTableIsRefusedAndLeavesTheModuleUnbound)
{
    LoadedModule module(30);
    EXPECT_NE(module.setImported(nullptr), NoError);
    EXPECT_EQ(module.exported.freeData(), -2130313215);
}

TEST(FunctionTableCopy, ReadsExactlyTheBuildsTableSize)
{
    for (int api : ApiVersions) {
        LoadedModule module(api);
        const std::size_t size = APIFunctionTableSize(api);

        // A heap block of exactly the size: an over-read is caught by the address sanitizer.
        std::vector<unsigned char> heapTable(size, 0);
        EXPECT_EQ(module.setImported(heapTable.data()), NoError) << api;

        FencedTable exact(size);
        EXPECT_EQ(module.setImported(exact.Start()), NoError) << api;
        EXPECT_EQ(module.exported.freeData(), NoError) << api;
    }
}

TEST(FunctionTableCopyDeathTest, OneByteShortOfTheBuildsSizeIsReadBeyond)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    // 27's table is larger than 28's; each build reads its own size, up to the last byte.
    for (int api : {27, 28, 30}) {
        LoadedModule module(api);
        FencedTable shortTable(APIFunctionTableSize(api) - 1);
        EXPECT_DEATH(module.setImported(shortTable.Start()), "") << api;
    }
}

TEST(ModuleUnload, WithoutTheFreeingEntryLeavesTheAbnormalTerminationMessage)
{
    for (int api : ApiVersions) {
        LoadedModule module(api);
        std::vector<void*> startup = StartupTable(api, true, true);
        ASSERT_EQ(module.setImported(startup.data()), NoError);
        int token = 0;
        ASSERT_EQ(module.exported.initialize(&token), NoError);

        DBClearPrintedText();
        module.Unload();
        EXPECT_EQ(DBGetPrintedText(), "Abnormal add-on termination (\"" + module.path + "\")\n") << api;
    }
}

TEST(ModuleUnload, AfterTheFreeingEntryIsQuietAndClosesTheResources)
{
    for (int api : ApiVersions) {
        LoadedModule module(api);
        std::vector<void*> startup = StartupTable(api, true, true);
        ASSERT_EQ(module.setImported(startup.data()), NoError);
        int token = 0;
        ASSERT_EQ(module.exported.initialize(&token), NoError);
        ASSERT_EQ(module.exported.freeData(), NoError);

        DBClearPrintedText();
        module.Unload();
        EXPECT_EQ(DBGetPrintedText(), "") << api;
    }
}

TEST(ModuleUnload, AReloadStartsUnbound)
{
    {
        LoadedModule module(29);
        std::vector<void*> table(API::SlotCount(29), nullptr);
        ASSERT_EQ(module.setImported(table.data()), NoError);
    }
    LoadedModule again(29);
    EXPECT_EQ(again.exported.freeData(), -2130313215);
}
