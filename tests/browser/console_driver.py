"""The operators' console driven in a real browser: headless Chromium through chromedriver
(Debian's chromium, chromium-driver and python3-selenium). Shared by the browser tests, the
end-to-end run with the Windows client and the demo's screenshots.

Run with Debian's /usr/bin/python3: that is where python3-selenium is installed."""
import contextlib
import urllib.parse

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions
from selenium.webdriver.support.ui import Select, WebDriverWait


@contextlib.contextmanager
def chromium(width=1280, height=900):
    """A headless Chromium for one test, quit on every path."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu",
                     f"--window-size={width},{height}", "--lang=zh-CN"):
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(30)
    try:
        yield driver
    finally:
        driver.quit()


class Console:
    """One operator's browser on the console at `base` (http://host:port)."""

    def __init__(self, driver, base):
        self.driver = driver
        self.base = base.rstrip("/")

    def open(self, path):
        self.driver.get(self.base + path)

    @property
    def path(self):
        parsed = urllib.parse.urlparse(self.driver.current_url)
        return parsed.path + (("?" + parsed.query) if parsed.query else "")

    def text(self, element_id):
        return self.driver.find_element(By.ID, element_id).text

    def page_text(self):
        return self.driver.find_element(By.TAG_NAME, "body").text

    def submit(self, button):
        """Clicks `button` (an element) and waits until the answer has replaced the page."""
        button.click()
        WebDriverWait(self.driver, 20).until(expected_conditions.staleness_of(button))

    def fill(self, fields):
        """Types each value into the field with that id, replacing what it held."""
        for field, value in fields.items():
            element = self.driver.find_element(By.ID, field)
            element.clear()
            element.send_keys(value)

    def sign_in(self, name, password):
        self.open("/login")
        self.fill({"name": name, "password": password})
        self.submit(self.driver.find_element(By.ID, "login-submit"))

    def publish_recommendation(self, code, action, support, resistance, remark):
        """The publishing form, as an operator fills it with the keyboard: Enter in the last field."""
        self.open("/recommendations")
        self.fill({"code": code, "support": support, "resistance": resistance})
        Select(self.driver.find_element(By.ID, "action")).select_by_value(action)
        remark_box = self.driver.find_element(By.ID, "remark")
        self.fill({"remark": remark + "\n"})
        WebDriverWait(self.driver, 20).until(expected_conditions.staleness_of(remark_box))

    def publish_announcement(self, title, text, font, size, colour):
        self.open("/announcements")
        self.fill({"title": title, "text": text, "font": font, "size": size, "colour": colour})
        self.submit(self.driver.find_element(By.ID, "announce-submit"))

    def account_action(self, name, action):
        """One of the buttons in an account's row (freeze, unfreeze, kick)."""
        self.open("/accounts?q=" + urllib.parse.quote(name))
        self.submit(self.driver.find_element(
            By.XPATH,
            f"//form[input[@name='do' and @value='{action}'] and input[@name='name' and @value='{name}']]"
            "//button[@type='submit']"))

    def screenshot(self, path, file):
        self.open(path)
        self.driver.save_screenshot(file)

    def set_poll_seconds(self, seconds):
        self.open("/settings")
        self.fill({"poll-seconds": seconds})
        self.submit(self.driver.find_element(By.ID, "settings-poll-submit"))
