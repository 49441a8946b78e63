"""An operator at the console in a real browser: signs in, publishes a recommendation and an
announcement, signs an account out and changes the poll interval; each change is checked in the
database (stored as velmora-admin stores the same values) and on the audit page.
  /usr/bin/python3 console_test.py CONSOLE_URL DATABASE ADMIN OPERATOR PASSWORD"""
import sqlite3
import subprocess
import sys

from console_driver import Console, chromium

console_url, database, admin, operator, password = sys.argv[1:6]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAILED:", message)


def rows(sql, *params):
    with sqlite3.connect(database) as db:
        return db.execute(sql, params).fetchall()


def velmora_admin(*args):
    subprocess.run([admin, "--db", database, *args], check=True, capture_output=True)


with chromium() as driver:
    console = Console(driver, console_url)

    console.open("/recommendations")
    check(console.path == "/login", f"without a session the console went to {console.path}, not /login")
    console.sign_in(operator, "a wrong password")
    check(console.path == "/login", "a wrong password was let in")
    console.sign_in(operator, password)
    check(console.path == "/", f"signing in led to {console.path}")
    check("在线账户" in console.page_text(), "the overview does not show who is online")

    # Published through the form, with the keyboard, and stored as velmora-admin stores it.
    console.publish_recommendation("600519", "买入", "1650.00", "1720.00", "放量突破")
    check("published=" in console.path, f"publishing led to {console.path}")
    check("秒" in console.page_text(), "the page does not say when clients will have it")
    velmora_admin("recommend", "600520", "买入", "1650.00", "1720.00", "放量突破")
    columns = "操作方式, 支撑位, 阻力位, 备注"
    stored = rows(f"select {columns} from Latest1 order by 编号 desc limit 2")
    check(len(stored) == 2 and stored[0] == stored[1],
          f"the console stored the recommendation otherwise than velmora-admin: {stored}")

    console.publish_announcement("收市提示", "今日三点收市", "宋体", "12", "#FF0000")
    velmora_admin("announce", "收市提示", "今日三点收市", "--font", "宋体", "--size", "12", "--colour", "#FF0000")
    columns = "公告, 字体名称, 字体大小, 字体颜色, 公告标题"
    stored = rows(f"select {columns} from config2 order by 编号 desc limit 2")
    check(len(stored) == 2 and stored[0] == stored[1],
          f"the console stored the announcement otherwise than velmora-admin: {stored}")

    # A kick writes the handle velmora-admin's kick writes.
    velmora_admin("account", "add", "other", "pw123456")
    velmora_admin("account", "kick", "other")
    console.account_action("demo", "kick")
    handles = dict(rows("select 账号, 句柄 from account where 账号 in ('demo', 'other')"))
    check(handles.get("demo") == handles.get("other") and handles.get("demo"),
          f"the console's kick stored another handle than velmora-admin's: {handles}")

    console.set_poll_seconds("7")
    check(rows("select lset7 from lset where 编号 = 1") == [("7",)], "the poll interval was not stored")

    console.open("/audit")
    audit = console.page_text()
    for change in ("recommend", "announce", "account kick", "set poll-seconds 7"):
        line = next((l for l in audit.splitlines() if change in l and "console:" + operator in l), None)
        check(line is not None, f"the audit page has no line by console:{operator} for '{change}'")

if failures:
    sys.exit(1)
print("console in a browser: ok")
