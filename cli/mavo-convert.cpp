// mavo-convert: the converter's batch command line. It takes the program's catalogue, stored
// choices and engine from the program folder it lies in.

#include "BatchEstimate.h"
#include "BatchOptions.h"
#include "BatchRun.h"
#include "common/Globals.h"
#include "common/MessagePort.h"
#include "common/SignalPipe.h"
#include "engine/EngineBinding.h"
#include "engine/EngineReports.h"
#include "engine/UnfinishedOutput.h"
#include "profiles/ProfileCatalogue.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// Ctrl-C (or a polite kill) stops the run from the event loop, where the run lives.
void StopOnSignals(BatchRun &run) {
    auto *pipe = new SignalPipe({SIGINT, SIGTERM}, &run);
    QObject::connect(pipe, &SignalPipe::Caught, &run, [&run] { run.RequestStop(); });
}

int UsageFailure(const QString &text) {
    QTextStream(stderr) << "mavo-convert: " << text << "\n" << kUsageText;
    return kExitUsage;
}

// --estimate: the engine only reads the files; nothing is written.
int Estimate(const BatchOptions &options, const BatchJob &job, const QString &program_folder) {
    QTextStream out(stdout), err(stderr);
    if (!LoadEngine(program_folder)) {
        err << "mavo-convert: the conversion engine could not be loaded from " << program_folder
            << "\n";
        return kExitSomeFailed;
    }
    DllInit();
    const int status = EstimateFiles(options, job, out, err);
    UnloadEngine();
    return status;
}

int Convert(const BatchOptions &options, const BatchJob &job, const QString &program_folder) {
    QTextStream err(stderr);
    if (!LoadEngine(program_folder)) {
        err << "mavo-convert: the conversion engine could not be loaded from " << program_folder
            << "\n";
        return kExitSomeFailed;
    }
    for (const QString &file : RemoveUnfinishedOutputs(UnfinishedOutputFolder()))
        err << "mavo-convert: removed " << file
            << ": an earlier conversion ended before it could finish this file\n";
    err.flush();
    DllInit();
    if (const auto missing = MissingSoundTrack(options.Files, job.AudioTrack)) {
        UnloadEngine();
        return UsageFailure(*missing);
    }
    RegisterEngineReports();
    SetEventErrorReporter(
        [](const QString &what) { QTextStream(stderr) << "mavo-convert: " << what << "\n"; });
    BatchOutput output;
    output.Json = options.Json;
    output.Quiet = options.Quiet;
    output.LiveProgress = !options.Quiet && ::isatty(STDERR_FILENO) == 1;
    output.SampleSeconds = options.SampleSeconds;
    int status = kExitSomeFailed;
    {
        BatchRun run(job, output);
        StopOnSignals(run);
        status = run.Run(options.Files);
    }
    UnloadEngine();
    return status;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    // Numbers in the engine's texts and the profiles are read the C way.
    std::setlocale(LC_NUMERIC, "C");
    const auto parsed = ParseBatchOptions(app.arguments().mid(1));
    if (const auto *error = std::get_if<UsageError>(&parsed))
        return UsageFailure(error->Text);
    const BatchOptions &options = std::get<BatchOptions>(parsed);
    if (options.Help) {
        QTextStream(stdout) << kUsageText;
        return kExitConverted;
    }
    const QString program_folder = WithSeparator(QCoreApplication::applicationDirPath());
    InitFolderPaths(program_folder, QFileInfo(program_folder).isWritable());
    const StoredSettings stored = StoredSettings::Read();
    const ProfileCatalogue catalogue;
    if (options.List) {
        if (options.Json)
            QTextStream(stdout) << CatalogueJson(stored, catalogue);
        else
            QTextStream(stdout) << CatalogueListing(stored, catalogue);
        return kExitConverted;
    }
    const auto resolved = ResolveBatchJob(options, stored, catalogue);
    if (const auto *error = std::get_if<UsageError>(&resolved))
        return UsageFailure(error->Text);
    if (options.Estimate)
        return Estimate(options, std::get<BatchJob>(resolved), program_folder);
    return Convert(options, std::get<BatchJob>(resolved), program_folder);
}
