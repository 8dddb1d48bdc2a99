#include "viewer/work/background_job.h"

#include <QMetaObject>
#include <QObject>

namespace corvex::viewer {

BackgroundJob::BackgroundJob(QObject* context, Work work)
    : thread_([context, work = std::move(work)](std::stop_token stop) {
          Then then = work(stop);
          // Queued to the context's thread: a job lives no longer than its
          // context, which drops the call if it is destroyed before it runs.
          if (then) QMetaObject::invokeMethod(context, std::move(then), Qt::QueuedConnection);
      }) {}

}  // namespace corvex::viewer
