// The bulk picture download against a local FTP server, beside curl fetching the same
// files over one connection.
//
// bench_pictures OUTPUT_FOLDER  prints pictures.bulk_500 (ms) and, when curl finished,
// pictures.curl_500 (ms) and pictures.bulk.ratio_vs_curl.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "exchange/cs_exchange.h"
#include "fake_seams.h"
#include "ftp_test_servers.h"
#include "test_support.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int PictureCount = 500;
constexpr std::size_t PictureSize = 20 * 1024;
constexpr int Rounds = 3;
const char* const User = "photo";
const char* const Password = "314159";

std::string PictureName(int i) { return std::to_string(100000 + i) + ".jpg"; }

void PrepareServer(const std::string& root) {
    fs::create_directories(root + "httpdocs/photo");
    std::ofstream list(root + "pics.txt", std::ios::binary);
    std::string bytes(PictureSize, '\0');
    unsigned x = 12345;
    for (int i = 0; i < PictureCount; ++i) {
        for (auto& c : bytes) {
            x = x * 1103515245u + 12345u;
            c = static_cast<char>(x >> 16);
        }
        std::ofstream(root + "httpdocs/photo/" + PictureName(i), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        list << PictureName(i) << "\r\n";
    }
}

void FreshFolder(const std::string& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
}

double BulkRun(const std::string& cache, const std::string& pictures, int port) {
    FreshFolder(cache);
    testsupport::FakePrompts prompts;
    TcsExchange ex(prompts);
    ex.SetHost("127.0.0.1");
    ex.SetPort(port);
    ex.SetUserName(User);
    ex.SetPassword(Password);
    ex.SetPassive(false);  // the settings' default: the server connects for the data
    ex.PathToTmpPictures = cache;
    ex.PathToPictures = pictures;
    if (std::getenv("BENCH_VERBOSE"))
        ex.OncsMessage = [](const std::string& msg) { std::cerr << msg << "\n"; };
    auto start = Clock::now();
    ex.DownloadPictures("pics.txt");
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    int got = 0;
    for (const auto& e : fs::directory_iterator(cache))
        if (e.path().extension() == ".jpg" && fs::file_size(e.path()) == PictureSize) ++got;
    if (got != PictureCount) std::cerr << "bulk run fetched " << got << " pictures\n";
    return ms;
}

double CurlRun(const std::string& work, int port) {
    std::string target = work + "curl/";
    FreshFolder(target);
    std::string config = work + "curl.cfg";
    {
        std::ofstream out(config);
        for (int i = 0; i < PictureCount; ++i)
            out << "url = \"ftp://127.0.0.1:" << port << "/httpdocs/photo/" << PictureName(i)
                << "\"\noutput = \"" << target << PictureName(i) << "\"\n";
    }
    auto start = Clock::now();
    int rc = testsupport::RunCommand({"/usr/bin/timeout", "60", "/usr/bin/curl", "-s", "-S",
                                      "--ftp-port", "127.0.0.1", "-u",
                                      std::string(User) + ":" + Password, "-K", config});
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (rc != 0) {
        // The wall-clock limit keeps the benchmark from hanging; no figure is printed for
        // a run that did not finish. (In passive mode curl 7.88 waits a whole second before
        // many of its data connections on this machine, which is why both clients use
        // active mode, the settings' default.)
        std::cerr << "curl ended with " << rc << "\n";
        return -1;
    }
    return ms;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: bench_pictures OUTPUT_FOLDER\n";
        return 2;
    }
    std::string work = fs::absolute(argv[1]).string() + "/pictures-bench-work/";
    FreshFolder(work);
    std::string root = work + "root/";
    PrepareServer(root);
    fs::create_directories(work + "product/");

    // ProFTPD serves both clients: it answers the listing of "name*" that the download
    // looks the picture list up with.
    ftptest::ProftpdServer server(root, User, Password);
    const int port = server.Port();
    std::vector<double> bulk, curl;
    for (int r = 0; r < Rounds; ++r) {
        bulk.push_back(BulkRun(work + "cache/", work + "product/", port));
        curl.push_back(CurlRun(work, port));
    }

    double bulkMs = Median(bulk);
    std::printf("pictures.bulk_500: %.0f ms\n", bulkMs);
    std::erase_if(curl, [](double ms) { return ms < 0; });
    if (!curl.empty()) {
        double curlMs = Median(curl);
        std::printf("pictures.curl_500: %.0f ms\n", curlMs);
        std::printf("pictures.bulk.ratio_vs_curl: %.2f x\n", bulkMs / curlMs);
    }
    fs::remove_all(work);
    return 0;
}
