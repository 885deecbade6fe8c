// image_qt_sweep [folder...]: decodes every PNG and JPEG file below the
// folders (/usr/share when none is named) with our codecs and with Qt's
// readers and prints each file whose pixels differ. A tool to run by hand
// (the tests stick to files they make or that named packages bring); exits
// with 1 when any file differs or fails to decode.
//
//   cmake --build build --target image_qt_sweep && build/bin/image_qt_sweep

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Pendrel/Image/tests/qt/ImageQtCompare.h"

namespace {

std::vector<std::filesystem::path> ImageFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    std::error_code error;
    const auto options = std::filesystem::directory_options::skip_permission_denied;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, options, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (error) break;
        if (!it->is_regular_file(error)) continue;
        std::string extension = it->path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
        if (extension == ".png" || extension == ".jpg" || extension == ".jpeg") found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    std::vector<std::string> folders(argv + 1, argv + argc);
    if (folders.empty()) folders.push_back("/usr/share");
    int checked = 0, different = 0;
    for (const std::string& folder : folders) {
        for (const std::filesystem::path& path : ImageFiles(folder)) {
            const kvximageqt::Bytes file = kvximageqt::ReadWholeFile(path.string());
            const QImage reference = kvximageqt::QtDecode(file);
            // Files that Qt cannot read either (broken or misnamed) prove nothing.
            if (reference.isNull()) continue;
            ++checked;
            CKVXImage ours;
            if (!kvxcodectest::DecodeBytes(ours, file, CKVXImage::ImageTypeUnknown)) {
                std::printf("%s: %s\n", path.c_str(), ours.GetLastError());
                ++different;
                continue;
            }
            const bool jpeg = ours.GetType() == CKVXImage::ImageTypeJpg;
            const std::string difference = kvximageqt::Difference(ours, reference, jpeg ? 2 : 1, file);
            if (!difference.empty()) {
                std::printf("%s: %s\n", path.c_str(), difference.c_str());
                ++different;
            }
        }
    }
    std::printf("%d files checked, %d differ\n", checked, different);
    return different == 0 ? 0 : 1;
}
