// The glidersim extension: flights, batches of worlds and glider-flight's
// runs, with the state as NumPy arrays.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>

#include "autopilot/PilotView.h"
#include "python/src/WorkerPool.h"
#include "python/src/World.h"

namespace py = pybind11;

namespace glidersim {

namespace {

using Args = std::vector<std::string>;

// World::TaskFigure's names, in its order.
constexpr const char* kTaskFigureNames[World::TaskFigureCount] = {
    "task_distance", "distance_flown", "points_reached", "finished", "next_distance", "next_bearing", "elapsed",
    "arrival_height"};

std::unique_ptr<World> makeWorld(const Args& args, bool record) {
    try {
        return std::make_unique<World>(args, record);
    } catch (const BuildFailure& failure) {
        throw py::value_error(failure.what());
    }
}

// An array over memory `owner` keeps alive, read-only: the caller sees the
// world's own numbers without a copy, and they move as the world steps.
py::array viewOf(const std::shared_ptr<World>& owner, const double* data, std::vector<py::ssize_t> shape,
                 std::vector<py::ssize_t> strides) {
    auto* keep = new std::shared_ptr<World>(owner);
    py::capsule base(keep, [](void* p) { delete static_cast<std::shared_ptr<World>*>(p); });
    py::array view(py::dtype::of<double>(), std::move(shape), std::move(strides), data, base);
    py::detail::array_proxy(view.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
    return view;
}

py::array_t<double> rowsArray(const std::vector<Sample>& samples, bool air) {
    const py::ssize_t columns = air ? 13 : 10;
    py::array_t<double> out({static_cast<py::ssize_t>(samples.size()), columns});
    double* data = out.mutable_data();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        csvRow(samples[i], air, data + static_cast<py::ssize_t>(i) * columns);
    }
    return out;
}

py::array_t<double> vectors(std::size_t count, const std::function<Vector3D(std::size_t)>& at) {
    py::array_t<double> out({static_cast<py::ssize_t>(count), py::ssize_t(3)});
    double* data = out.mutable_data();
    for (std::size_t i = 0; i < count; ++i) {
        const Vector3D v = at(i);
        data[3 * i] = v.x;
        data[3 * i + 1] = v.y;
        data[3 * i + 2] = v.z;
    }
    return out;
}

PilotCommand keyCommand(const std::string& name) {
    PilotCommand command = PilotCommand::None;
    if (!commandFromKeyName(name, command)) {
        throw py::value_error("key: expected f1, left, right, up or down, got '" + name + "'");
    }
    return command;
}

void checkShift(double lateral, double fore) {
    if (!(lateral >= -1.0 && lateral <= 1.0 && fore >= -1.0 && fore <= 1.0)) {
        throw py::value_error("shift: each of lateral and fore must lie within -1 to 1");
    }
}

// One flight stepped from Python. Stepping runs without the GIL; a lock
// keeps a second Python thread from stepping or reading it meanwhile.
class Flight {
public:
    Flight(Args args_, bool record_) : args(std::move(args_)), record(record_), world(makeWorld(args, record)) {}

    int step(int steps, py::object shift, py::object key) {
        if (steps < 0) {
            throw py::value_error("steps: expected a count of 0 or more, got " + std::to_string(steps));
        }
        const bool shifting = !shift.is_none();
        std::pair<double, double> to{0.0, 0.0};
        if (shifting) {
            to = shift.cast<std::pair<double, double>>();
            checkShift(to.first, to.second);
        }
        const PilotCommand pressed = key.is_none() ? PilotCommand::None : keyCommand(key.cast<std::string>());
        // The GIL goes first and the lock second, so the lock is given back
        // before the GIL is taken again: a reader holding the GIL and
        // waiting for the lock never blocks this thread.
        py::gil_scoped_release free;
        std::lock_guard<std::mutex> hold(lock);
        if (shifting) {
            world->setWeightShift(to.first, to.second);
        }
        if (pressed != PilotCommand::None) {
            world->press(pressed);
        }
        return world->step(steps);
    }

    bool run() {
        py::gil_scoped_release free;
        std::lock_guard<std::mutex> hold(lock);
        return world->runPlan();
    }

    void reset(py::object newArgs) {
        Args next = newArgs.is_none() ? args : newArgs.cast<Args>();
        std::shared_ptr<World> fresh = makeWorld(next, record);
        std::lock_guard<std::mutex> hold(lock);
        world = std::move(fresh);
        args = std::move(next);
    }

    // The state, read under the lock.
    template <typename Read>
    auto read(Read r) {
        std::lock_guard<std::mutex> hold(lock);
        return r(*world);
    }

    py::array particleView(const Particle& p) {
        return viewOf(world, &p.position.x, {3}, {static_cast<py::ssize_t>(sizeof(double))});
    }
    py::array wingView() {
        const Glider& glider = *world->flight().glider;
        return viewOf(world, &glider.wingParticle(0).position.x, {glider.wingSize(), 3},
                      {static_cast<py::ssize_t>(sizeof(Particle)), static_cast<py::ssize_t>(sizeof(double))});
    }

    std::string writeCsv(py::object path) {
        const std::string target = outputPath(path, world->build().csvPath(), "--csv");
        return write(world->build().writeCsv(target, world->rows()));
    }
    std::string writeIgc(py::object path) {
        const std::string target = outputPath(path, world->build().igcPath(), "--igc");
        return write(world->build().writeIgc(target, world->fixes()));
    }

    Args args;
    bool record;
    std::shared_ptr<World> world;
    std::mutex lock;

private:
    std::string outputPath(py::object path, const std::string& given, const char* option) {
        if (!record) {
            throw py::value_error("nothing recorded: make the Flight with record=True");
        }
        const std::string target = path.is_none() ? given : path.cast<std::string>();
        if (target.empty() || target == "-") {
            throw py::value_error(std::string(option) + ": no file named; give a path");
        }
        return target;
    }
    static std::string write(const std::string& reason) {
        if (!reason.empty()) {
            throw py::value_error(reason);
        }
        return {};
    }
};

// M independent worlds stepped together across a fixed pool of threads.
class Batch {
public:
    Batch(py::object worlds, py::object args, int threads) {
        std::vector<Args> each;
        if (py::isinstance<py::int_>(worlds)) {
            const int count = worlds.cast<int>();
            if (count < 1) {
                throw py::value_error("worlds: expected at least 1, got " + std::to_string(count));
            }
            const Args one = args.cast<Args>();
            each.assign(static_cast<std::size_t>(count), one);
        } else {
            each = worlds.cast<std::vector<Args>>();
            if (each.empty()) {
                throw py::value_error("worlds: expected at least 1 argument list");
            }
        }
        // Built one after another: building a terrain is not safe across threads.
        for (const Args& a : each) {
            flights.push_back(makeWorld(a, false));
        }
        argsOf = each;
        const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        const int count = static_cast<int>(flights.size());
        pool = std::make_unique<WorkerPool>(std::min(count, threads > 0 ? threads : cores));
    }

    void step(int steps, py::object shifts) {
        if (steps < 0) {
            throw py::value_error("steps: expected a count of 0 or more, got " + std::to_string(steps));
        }
        const py::ssize_t count = static_cast<py::ssize_t>(flights.size());
        py::array_t<double, py::array::c_style | py::array::forcecast> given;
        const double* s = nullptr;
        if (!shifts.is_none()) {
            given = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(shifts);
            if (!given || given.ndim() != 2 || given.shape(0) != count || given.shape(1) != 2) {
                throw py::value_error("shifts: expected an array of shape (" + std::to_string(count) + ", 2)");
            }
            s = given.data();
            for (py::ssize_t i = 0; i < count; ++i) {
                checkShift(s[2 * i], s[2 * i + 1]);
            }
        }
        py::gil_scoped_release free;
        std::lock_guard<std::mutex> hold(lock);
        if (s != nullptr) {
            for (py::ssize_t i = 0; i < count; ++i) {
                flights[static_cast<std::size_t>(i)]->setWeightShift(s[2 * i], s[2 * i + 1]);
            }
        }
        pool->run(static_cast<int>(count), [&](int i) { flights[static_cast<std::size_t>(i)]->step(steps); });
    }

    void reset(int index, py::object args) {
        World& w = *at(index); // checks the index
        (void)w;
        Args next = args.is_none() ? argsOf[static_cast<std::size_t>(index)] : args.cast<Args>();
        std::unique_ptr<World> fresh = makeWorld(next, false);
        std::lock_guard<std::mutex> hold(lock);
        flights[static_cast<std::size_t>(index)] = std::move(fresh);
        argsOf[static_cast<std::size_t>(index)] = std::move(next);
    }

    World* at(int index) {
        if (index < 0 || index >= static_cast<int>(flights.size())) {
            throw py::index_error("world " + std::to_string(index) + " of " + std::to_string(flights.size()));
        }
        return flights[static_cast<std::size_t>(index)].get();
    }

    template <typename T, typename Each>
    py::array_t<T> perWorld(int width, Each each) {
        std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(flights.size())};
        if (width > 0) {
            shape.push_back(width);
        }
        py::array_t<T> out(shape);
        T* data = out.mutable_data();
        std::lock_guard<std::mutex> hold(lock);
        for (std::size_t i = 0; i < flights.size(); ++i) {
            each(*flights[i], data + i * static_cast<std::size_t>(std::max(width, 1)));
        }
        return out;
    }

    std::vector<std::unique_ptr<World>> flights;
    std::vector<Args> argsOf;
    std::unique_ptr<WorkerPool> pool;
    std::mutex lock;                 // held while stepping, resetting or reading
};

py::dict panelOf(const World& w) {
    const FlightInstruments& p = w.instruments();
    py::dict d;
    d["time"] = p.time();
    d["airspeed"] = p.airspeed();
    d["ground_speed"] = p.groundSpeed();
    d["vario"] = p.vario();
    d["averaged_climb"] = p.averagedClimb();
    d["glide_ratio"] = p.glideRatio();
    d["height_above_start"] = p.heightAboveStart();
    d["height_above_ground"] = p.heightAboveGround();
    d["heading"] = p.heading();
    d["wind"] = py::make_tuple(p.wind().x, p.wind().y, p.wind().z);
    return d;
}

// The task's figures by name, with its points and what is reached; None
// without a task.
py::object taskOf(const World& w) {
    const setup::TaskRun* run = w.taskRun();
    if (run == nullptr || run->progress() == nullptr) {
        return py::none();
    }
    double figures[World::TaskFigureCount];
    w.taskFigures(figures);
    py::dict d;
    for (int i = 0; i < World::TaskFigureCount; ++i) {
        d[kTaskFigureNames[i]] = figures[i];
    }
    const task::Task& t = *run->task();
    const task::TaskStatus& s = run->progress()->status();
    py::list points;
    py::list reachedAt;
    for (std::size_t i = 0; i < t.points.size(); ++i) {
        points.append(t.points[i].name);
        const double at = run->progress()->reachedAt(static_cast<int>(i));
        reachedAt.append(at < 0.0 ? py::object(py::none()) : py::object(py::float_(at)));
    }
    d["points_reached"] = s.nextPoint;
    d["finished"] = s.finished;
    d["started"] = s.started;
    d["name"] = t.name;
    d["points"] = points;
    d["reached_at"] = reachedAt;
    d["next_name"] = s.finished ? py::object(py::none()) : py::object(py::str(t.points[static_cast<std::size_t>(s.nextPoint)].name));
    return d;
}

py::array_t<double> observationOf(const World& w) {
    py::array_t<double> out(World::ObservationSize);
    w.observe(out.mutable_data());
    return out;
}

} // namespace

} // namespace glidersim

PYBIND11_MODULE(_core, m) {
    using namespace glidersim;
    m.doc() = "The glider simulation's core: flights built from glider-flight's options, stepped from Python.";
    static py::exception<std::runtime_error> diverged(m, "FlightDiverged", PyExc_RuntimeError);

    m.def("csv_columns", &csvColumns, py::arg("air") = false, "The CSV's column names, with the air's when asked.");
    m.def(
        "fly",
        [](const std::vector<std::string>& args) {
            auto world = makeWorld(args, true);
            bool held = true;
            {
                py::gil_scoped_release free;
                held = world->runPlan();
            }
            if (!held) {
                diverged(world->divergence().c_str());
                throw py::error_already_set();
            }
            const FlightBuild& build = world->build();
            if (build.csvPath() != "-") {
                if (const std::string reason = build.writeCsv(build.csvPath(), world->rows()); !reason.empty()) {
                    throw py::value_error("--csv: " + reason);
                }
            }
            if (!build.igcPath().empty()) {
                if (const std::string reason = build.writeIgc(build.igcPath(), world->fixes()); !reason.empty()) {
                    throw py::value_error("--igc: " + reason);
                }
            }
            return rowsArray(world->rows(), build.air());
        },
        py::arg("args"),
        "Flies what `glider-flight ARGS` flies and returns its CSV's rows (columns: csv_columns); writes the "
        "--csv and --igc files it names. Raises ValueError for what glider-flight refuses, FlightDiverged if the "
        "flight diverges.");

    py::class_<Flight>(m, "Flight", "One flight built from glider-flight's options, stepped by hand.")
        .def(py::init<std::vector<std::string>, bool>(), py::arg("args") = std::vector<std::string>(),
             py::arg("record") = false)
        .def("step", &Flight::step, py::arg("steps") = 1, py::arg("shift") = py::none(), py::arg("key") = py::none(),
             "Sets the weight shift (lateral, fore, each in [-1, 1]) and presses a key (f1, left, right, up, "
             "down) if given, then runs `steps` steps of 0.01 s without the GIL. Returns the steps run (fewer "
             "once diverged).")
        .def("run", &Flight::run, "Flies the options' whole run (--steps, --until-landed); False if diverged.")
        .def("reset", &Flight::reset, py::arg("args") = py::none(),
             "Builds the flight afresh from its options, or from new ones.")
        .def_property_readonly("args", [](Flight& f) { return f.args; })
        .def_property_readonly("steps_run", [](Flight& f) { return f.read([](World& w) { return w.stepsRun(); }); })
        .def_property_readonly("time",
                               [](Flight& f) { return f.read([](World& w) { return w.flight().world->simulatedTime(); }); })
        .def_property_readonly("landed_step",
                               [](Flight& f) { return f.read([](World& w) { return w.landedStep(); }); })
        .def_property_readonly("landed", [](Flight& f) { return f.read([](World& w) { return w.landedStep() >= 0; }); })
        .def_property_readonly("diverged", [](Flight& f) { return f.read([](World& w) { return w.diverged(); }); })
        .def_property_readonly("divergence", [](Flight& f) { return f.read([](World& w) { return w.divergence(); }); })
        .def_property_readonly("shift",
                               [](Flight& f) {
                                   return f.read([](World& w) {
                                       const start::WeightShift s = w.weightShift();
                                       return std::make_pair(s.lateral, s.fore);
                                   });
                               })
        .def_property_readonly("model", [](Flight& f) {
            return std::string(start::flightModelName(f.world->flight().model));
        })
        .def_property_readonly("pilot", [](Flight& f) { return f.particleView(f.world->flight().glider->pilotParticle()); },
                               "The pilot's position (m), a read-only view that follows the flight.")
        .def_property_readonly("hub", [](Flight& f) { return f.particleView(f.world->flight().glider->hubParticle()); },
                               "The hub's position (m), a read-only view.")
        .def_property_readonly("wing", &Flight::wingView, "The wing's particles (m), rows from the apex; a view.")
        .def_property_readonly("particles",
                               [](Flight& f) {
                                   return f.read([](World& w) {
                                       const ParticleSystem& s = *w.flight().world;
                                       return vectors(static_cast<std::size_t>(s.particleCount()),
                                                      [&](std::size_t i) { return s.particleAt(static_cast<int>(i)).position; });
                                   });
                               },
                               "Every particle's position (m) in world order, a copy.")
        .def_property_readonly("velocities",
                               [](Flight& f) {
                                   return f.read([](World& w) {
                                       const ParticleSystem& s = *w.flight().world;
                                       return vectors(static_cast<std::size_t>(s.particleCount()), [&](std::size_t i) {
                                           return s.velocityOf(s.particleAt(static_cast<int>(i)));
                                       });
                                   });
                               },
                               "Every particle's velocity (m/s) over the last step, a copy.")
        .def_property_readonly("masses",
                               [](Flight& f) {
                                   return f.read([](World& w) {
                                       const ParticleSystem& s = *w.flight().world;
                                       std::vector<double> m(static_cast<std::size_t>(s.particleCount()));
                                       for (int i = 0; i < s.particleCount(); ++i) {
                                           m[static_cast<std::size_t>(i)] = s.particleAt(i).mass;
                                       }
                                       return py::array_t<double>(static_cast<py::ssize_t>(m.size()), m.data());
                                   });
                               },
                               "Every particle's mass (kg).")
        .def_property_readonly("triangles",
                               [](Flight& f) {
                                   return f.read([](World& w) {
                                       const ParticleSystem& s = *w.flight().world;
                                       py::array_t<int> out({static_cast<py::ssize_t>(s.triangleCount()), py::ssize_t(3)});
                                       int* d = out.mutable_data();
                                       for (int i = 0; i < s.triangleCount(); ++i) {
                                           const WingTriangle& t = s.triangleAt(i);
                                           d[3 * i] = t.p0->index;
                                           d[3 * i + 1] = t.p1->index;
                                           d[3 * i + 2] = t.p2->index;
                                       }
                                       return out;
                                   });
                               },
                               "The wing triangles' corners, as indices into particles.")
        .def_property_readonly("air",
                               [](Flight& f) {
                                   return f.read([](World& w) {
                                       const ParticleSystem& s = *w.flight().world;
                                       const double now = s.simulatedTime();
                                       return vectors(static_cast<std::size_t>(s.triangleCount()), [&](std::size_t i) {
                                           const WingTriangle& t = s.triangleAt(static_cast<int>(i));
                                           const Vector3D c =
                                               ((t.p0->position + t.p1->position) + t.p2->position) * (1.0 / 3.0);
                                           return s.airField().velocityAt(c, now);
                                       });
                                   });
                               },
                               "The air's velocity (m/s) at each wing triangle's centroid, now.")
        .def_property_readonly("panel", [](Flight& f) { return f.read([](World& w) { return panelOf(w); }); },
                               "The instrument panel's figures.")
        .def_property_readonly("observation",
                               [](Flight& f) { return f.read([](World& w) { return observationOf(w); }); },
                               "airspeed, vario, bank, heading, height above ground, updraft at the left and "
                               "right wingtips.")
        .def_property_readonly("task", [](Flight& f) { return f.read([](World& w) { return taskOf(w); }); },
                               "Where the flight stands on its task (--task or the scenario's [task]), a dict "
                               "of TASK_FIGURE_NAMES' figures with the task's name, its points' names, when "
                               "each was reached and the next one's name; None without a task.")
        .def_property_readonly("task_figures",
                               [](Flight& f) {
                                   return f.read([](World& w) {
                                       py::array_t<double> out(World::TaskFigureCount);
                                       w.taskFigures(out.mutable_data());
                                       return out;
                                   });
                               },
                               "The task's figures as an array (TASK_FIGURE_NAMES' order); NaN without a task.")
        .def("task_result",
             [](Flight& f) {
                 return f.read([](World& w) { return w.taskRun() ? w.taskRun()->resultFields() : std::string(); });
             },
             "The task's result and the flight's free score as glider-flight's summary ends "
             "('task=... xc_points=...'); empty without a task. Scores every fix so far: call it at the end.")
        .def_property_readonly("rows",
                               [](Flight& f) {
                                   return f.read([](World& w) { return rowsArray(w.rows(), w.build().air()); });
                               },
                               "The CSV's rows so far (record=True), the current state last.")
        .def_property_readonly("columns", [](Flight& f) { return csvColumns(f.world->build().air()); })
        .def("write_csv", &Flight::writeCsv, py::arg("path") = py::none(),
             "Writes the recorded CSV as glider-flight does (default: the --csv path).")
        .def("write_igc", &Flight::writeIgc, py::arg("path") = py::none(),
             "Writes the recorded IGC log as glider-flight does (default: the --igc path).");

    py::class_<Batch>(m, "Batch", "Independent worlds stepped together across a fixed pool of threads.")
        .def(py::init<py::object, py::object, int>(), py::arg("worlds"), py::arg("args") = std::vector<std::string>(),
             py::arg("threads") = 0,
             "worlds: a count (every world flies `args`) or a list of argument lists, one per world. threads: 0 "
             "for one per core.")
        .def("__len__", [](Batch& b) { return b.flights.size(); })
        .def_property_readonly("threads", [](Batch& b) { return b.pool->threadCount(); })
        .def("step", &Batch::step, py::arg("steps") = 1, py::arg("shifts") = py::none(),
             "Sets each world's weight shift (an (M, 2) array) if given, then steps every world `steps` steps, "
             "in parallel and without the GIL.")
        .def("reset", &Batch::reset, py::arg("index"), py::arg("args") = py::none(),
             "Builds world `index` afresh from its options, or from new ones.")
        .def("args", [](Batch& b, int i) { b.at(i); return b.argsOf[static_cast<std::size_t>(i)]; })
        .def_property_readonly("observations",
                               [](Batch& b) {
                                   return b.perWorld<double>(World::ObservationSize,
                                                             [](const World& w, double* o) { w.observe(o); });
                               })
        .def_property_readonly("task_figures",
                               [](Batch& b) {
                                   return b.perWorld<double>(World::TaskFigureCount,
                                                             [](const World& w, double* o) { w.taskFigures(o); });
                               },
                               "Each world's task figures (columns: TASK_FIGURE_NAMES); NaN rows without a task.")
        .def_property_readonly("pilots",
                               [](Batch& b) {
                                   return b.perWorld<double>(3, [](const World& w, double* o) {
                                       const Vector3D& p = w.flight().glider->pilotParticle().position;
                                       o[0] = p.x;
                                       o[1] = p.y;
                                       o[2] = p.z;
                                   });
                               })
        .def_property_readonly("steps_run",
                               [](Batch& b) { return b.perWorld<int>(0, [](const World& w, int* o) { *o = w.stepsRun(); }); })
        .def_property_readonly("landed", [](Batch& b) {
            return b.perWorld<bool>(0, [](const World& w, bool* o) { *o = w.landedStep() >= 0; });
        })
        .def_property_readonly("diverged", [](Batch& b) {
            return b.perWorld<bool>(0, [](const World& w, bool* o) { *o = w.diverged(); });
        });

    py::tuple taskNames(static_cast<std::size_t>(World::TaskFigureCount));
    for (int i = 0; i < World::TaskFigureCount; ++i) {
        taskNames[static_cast<std::size_t>(i)] = kTaskFigureNames[i];
    }
    m.attr("TASK_FIGURE_NAMES") = taskNames;
    m.attr("OBSERVATION_NAMES") = py::make_tuple("airspeed", "vario", "bank", "heading", "height",
                                                 "updraft_left", "updraft_right");
}
