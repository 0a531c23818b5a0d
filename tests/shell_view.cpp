// Asks Windows what its shell shows of an executable: the version block
// through the version API and the icon "ID" through the image API. Prints
// what it got and exits with 1 when anything differs from what is expected.
//
//     shell_view PROGRAM.exe

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

int failures = 0;

void check(bool good, const wchar_t *what)
{
    std::wprintf(L"%ls %ls\n", good ? L"ok    " : L"FAILED", what);
    if (!good)
        ++failures;
}

void check_version_block(const wchar_t *path)
{
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &unused);
    check(size > 0, L"the file has a version block");
    if (size == 0)
        return;
    std::vector<unsigned char> block(size);
    check(GetFileVersionInfoW(path, 0, size, block.data()), L"GetFileVersionInfoW");

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void **>(&fixed), &length) &&
        length == sizeof *fixed) {
        std::wprintf(
            L"fixed part: signature %08lX, structure %08lX, file %lu.%lu.%lu.%lu, "
            L"product %lu.%lu.%lu.%lu, flags %lX/%lX, os %lX, type %lX/%lX, date %08lX%08lX\n",
            fixed->dwSignature, fixed->dwStrucVersion, HIWORD(fixed->dwFileVersionMS),
            LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
            LOWORD(fixed->dwFileVersionLS), HIWORD(fixed->dwProductVersionMS),
            LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
            LOWORD(fixed->dwProductVersionLS), fixed->dwFileFlagsMask, fixed->dwFileFlags,
            fixed->dwFileOS, fixed->dwFileType, fixed->dwFileSubtype, fixed->dwFileDateMS,
            fixed->dwFileDateLS);
        check(fixed->dwSignature == 0xFEEF04BD && fixed->dwStrucVersion == 0x00010000 &&
                  fixed->dwFileVersionMS == 0x00000000 && fixed->dwFileVersionLS == 0x00020005 &&
                  fixed->dwProductVersionMS == 0x00000000 &&
                  fixed->dwProductVersionLS == 0x00020005 && fixed->dwFileFlagsMask == 0 &&
                  fixed->dwFileFlags == 0 && fixed->dwFileOS == 0 && fixed->dwFileType == 0 &&
                  fixed->dwFileSubtype == 0 && fixed->dwFileDateMS == 0 && fixed->dwFileDateLS == 0,
              L"fixed part is 0.0.2.5 with every flag, type and date 0");
    } else {
        check(false, L"fixed part readable");
    }

    WORD *translation = nullptr;
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                       reinterpret_cast<void **>(&translation), &length)) {
        std::wprintf(L"Translation: %u bytes, language %04X, code page %u\n", length,
                     translation[0], translation[1]);
        check(length == 4 && translation[0] == 0x0416 && translation[1] == 1252,
              L"one Translation entry, 0416 / 1252");
    } else {
        check(false, L"Translation readable");
    }

    const wchar_t *const strings[][2] = {
        {L"FileDescription", L"App feito para calcular notas de Vendrali"},
        {L"FileVersion", L"0.1"},
        {L"InternalName", L"CalculadoraVendrali"},
        {L"OriginalFilename", L"CalcVendrali.exe"},
        {L"ProductName", L"Calculadora de notas - Vendrali"},
        {L"ProductVersion", L"0.1"},
    };
    for (const auto &string : strings) {
        wchar_t query[64];
        std::swprintf(query, 64, L"\\StringFileInfo\\080904E4\\%ls", string[0]);
        wchar_t *value = nullptr;
        const bool found =
            VerQueryValueW(block.data(), query, reinterpret_cast<void **>(&value), &length);
        std::wprintf(L"%ls: \"%ls\"\n", string[0], found ? value : L"(missing)");
        check(found && std::wcscmp(value, string[1]) == 0, string[0]);
    }
}

void check_icon(const wchar_t *path)
{
    const HMODULE file =
        LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    check(file != nullptr, L"the file opens as a resource module");
    if (!file)
        return;
    const HRSRC found = FindResourceW(file, L"ID", MAKEINTRESOURCEW(14)); // RT_GROUP_ICON
    check(found != nullptr, L"icon group \"ID\" found");
    if (!found)
        return;
    auto *group = static_cast<BYTE *>(LockResource(LoadResource(file, found)));

    // The image Windows picks for each size the shell asks for.
    const int sizes[][2] = {{16, 9}, {32, 7}, {48, 6}, {256, 1}};
    for (const auto &size : sizes) {
        const int chosen = LookupIconIdFromDirectoryEx(group, TRUE, size[0], size[0], 0);
        const auto icon = static_cast<HICON>(
            LoadImageW(file, L"ID", IMAGE_ICON, size[0], size[0], LR_DEFAULTCOLOR));
        ICONINFO parts{};
        BITMAP colour{};
        if (icon && GetIconInfo(icon, &parts))
            GetObjectW(parts.hbmColor, sizeof colour, &colour);
        std::wprintf(L"icon at %d: image %d, loaded %ld x %ld, %u bits per pixel\n", size[0],
                     chosen, colour.bmWidth, colour.bmHeight, colour.bmBitsPixel);
        check(chosen == size[1] && colour.bmWidth == size[0] && colour.bmHeight == size[0],
              L"icon loads at its own size");
        if (parts.hbmColor)
            DeleteObject(parts.hbmColor);
        if (parts.hbmMask)
            DeleteObject(parts.hbmMask);
        if (icon)
            DestroyIcon(icon);
    }
    FreeLibrary(file);
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        std::fwprintf(stderr, L"usage: shell_view PROGRAM.exe\n");
        return 2;
    }
    check_version_block(argv[1]);
    check_icon(argv[1]);
    return failures == 0 ? 0 : 1;
}
