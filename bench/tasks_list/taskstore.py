"""Fills a task status store with many records for the tasks.list benchmark.

A handful of template records are written by hostpref-taskdb itself (so they look exactly
like the records a launched tool leaves), then copied under fresh ids in one SQLite
transaction. The copy reads the table layout from the store, so it follows whatever layout
the tool created. Single-threaded; the daemon may have the store open meanwhile.
"""

import datetime
import json
import os
import sqlite3
import subprocess
import uuid

TIME_FORMAT = "%Y-%m-%dT%H:%M:%S.{ms:03d}Z"


def host_time(moment):
    """A UTC time as the task store writes it: milliseconds and "Z"."""
    return moment.strftime(TIME_FORMAT).format(ms=moment.microsecond // 1000)


def notification(kind, message_id, text, args, moment):
    """A task notification as the daemon and the host tools store it: the tagged JSON of the
    bindings' Notification (kind, id, message, time)."""
    return json.dumps({"struct:com.orvane.tarn.hostpref_daemon.notification": {
        "kind": {"enum:com.orvane.tarn.hostpref_daemon.notification_kind": kind},
        "id": message_id,
        "message": {"struct:com.orvane.lumo.std.localizable_message": {
            "id": message_id, "default_message": text, "args": args, "localized": text}},
        "time": {"datetime": host_time(moment)}}},
        separators=(",", ":"))


def template_commands(now):
    """The hostpref-taskdb command lines that write the templates: one finished task of
    each outcome, one running and one pending, keyed by a fixed id."""
    started = notification("INFO", "com.orvane.tarn.stage.started", "Staging started.", [], now)
    warned = notification("WARNING", "com.orvane.tarn.depot.slow", "Depot {1} answers slowly.",
                          ["https://depot.invalid/index.xml"], now)
    ok = "7d0e8a52-0000-4000-8000-000000000001"
    failed = "7d0e8a52-0000-4000-8000-000000000002"
    running = "7d0e8a52-0000-4000-8000-000000000003"
    pending = "7d0e8a52-0000-4000-8000-000000000004"
    return {
        ok: [["create", ok, "--operation", "software.stage", "--user", "root", "--progress", "5"],
             ["start", ok, "--progress", "5"],
             ["notify", ok, started], ["progress", ok, "40", "Staging components"],
             ["notify", ok, warned],
             ["succeed", ok, '{"struct:com.orvane.tarn.hostpref_daemon.stage_result":'
                                 '{"staged":true,"components":["base","drivers","agent"]}}']],
        failed: [["create", failed, "--operation", "software.apply", "--user", "root", "--progress", "5"],
                 ["start", failed, "--progress", "5"], ["notify", failed, started],
                 ["fail", failed, "--error-id", "com.orvane.tarn.depot.error",
                  "--arg", "https://depot.invalid/index.xml", "--arg", "404"]],
        running: [["create", running, "--operation", "software.scan", "--user", "admin", "--progress", "5"],
                  ["start", running, "--progress", "5"], ["progress", running, "60", "Scanning"]],
        pending: [["create", pending, "--operation", "config.apply", "--user", "root", "--progress", "5"]],
    }


def write_templates(tool, root_dir, now=None):
    """Writes the template records with `tool` below host root `root_dir`; returns their ids."""
    env = dict(os.environ, HOSTPREFD_ROOT=root_dir)
    commands = template_commands(now or datetime.datetime.now(datetime.timezone.utc))
    for lines in commands.values():
        for words in lines:
            subprocess.run([tool, *words], env=env, check=True, stdout=subprocess.DEVNULL)
    return list(commands)


def child_tables(connection, parent="tasks"):
    """(table, task column, copied columns) of every table that refers to `parent`. A
    single-column integer primary key is left out of the copy so SQLite numbers it anew."""
    children = []
    for (table,) in connection.execute("SELECT name FROM sqlite_master WHERE type = 'table'"):
        links = [row for row in connection.execute("PRAGMA foreign_key_list(%s)" % table) if row[2] == parent]
        if not links:
            continue
        columns = list(connection.execute("PRAGMA table_info(%s)" % table))
        key_columns = [c for c in columns if c[5] > 0]
        own_key = key_columns[0][1] if len(key_columns) == 1 and key_columns[0][2].upper() == "INTEGER" else None
        link = links[0][3]
        copied = [c[1] for c in columns if c[1] not in (link, own_key)]
        order = own_key or "rowid"
        children.append((table, link, copied, order))
    return children


def clone_tasks(db_path, templates, count, first=0):
    """Adds `count` copies of the template records under fresh ids, cycling through the
    templates from position `first`, all in one transaction; returns the new ids."""
    connection = sqlite3.connect(db_path, isolation_level=None, timeout=30)
    try:
        task_columns = [row[1] for row in connection.execute("PRAGMA table_info(tasks)")]
        if "id" not in task_columns:
            raise RuntimeError("%s has no tasks table with an id column" % db_path)
        others = [c for c in task_columns if c != "id"]
        copy_task = "INSERT INTO tasks (id, %s) SELECT ?, %s FROM tasks WHERE id = ?" % (
            ", ".join(others), ", ".join(others))
        copy_children = [
            "INSERT INTO %s (%s, %s) SELECT ?, %s FROM %s WHERE %s = ? ORDER BY %s" % (
                table, link, ", ".join(copied), ", ".join(copied), table, link, order)
            for table, link, copied, order in child_tables(connection)]
        new_ids = []
        connection.execute("BEGIN IMMEDIATE")
        try:
            for i in range(count):
                template = templates[(first + i) % len(templates)]
                new_id = str(uuid.uuid4())
                connection.execute(copy_task, (new_id, template))
                for statement in copy_children:
                    connection.execute(statement, (new_id, template))
                new_ids.append(new_id)
            connection.execute("COMMIT")
        except Exception:
            connection.execute("ROLLBACK")
            raise
        return new_ids
    finally:
        connection.close()


def count_tasks(db_path):
    connection = sqlite3.connect(db_path, timeout=30)
    try:
        return connection.execute("SELECT count(*) FROM tasks").fetchone()[0]
    finally:
        connection.close()


def read_everything(db_path):
    """Reads every row of every table once; the time this takes is the floor of any
    listing of the store."""
    connection = sqlite3.connect(db_path, timeout=30)
    try:
        tables = [name for (name,) in connection.execute("SELECT name FROM sqlite_master WHERE type = 'table'")]
        return sum(len(connection.execute("SELECT * FROM %s" % name).fetchall()) for name in tables)
    finally:
        connection.close()
